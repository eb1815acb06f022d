// The start-up check for the data-access engine: silent when it is there,
// the explanation and the download pages when its provider is missing.
#include "ledgerfen/data/provider_check.h"

#include <gtest/gtest.h>

namespace ledgerfen::data {
namespace {

constexpr const char* kSupport = "support@ledgerfen.com";

struct UnloadableEngine : DataEngine {
  int32_t number;
  std::string description;
  UnloadableEngine(int32_t n, std::string d) : number(n), description(std::move(d)) {}
  NewConnection createConnection() override { return NewConnection::failed(number, description); }
};

struct ScriptedUser : ProviderCheckUser {
  bool answerYes = false;
  std::vector<std::string> questions;
  std::vector<std::string> opened;
  bool askYesNo(const std::string& text) override {
    questions.push_back(text);
    return answerYes;
  }
  void openWebAddress(const std::string& address) override { opened.push_back(address); }
};

TEST(ProviderCheck, TheBuiltInEngineIsAlwaysPresent) {
  BuiltInEngine engine;
  ScriptedUser user;
  EXPECT_TRUE(checkDataProvider(engine, user, kSupport));
  EXPECT_TRUE(user.questions.empty());
  EXPECT_TRUE(user.opened.empty());
}

TEST(ProviderCheck, MissingProviderExplainsAndOpensBothPagesOnYes) {
  UnloadableEngine engine(3706, "Provider cannot be found. It may not be properly installed.");
  ScriptedUser user;
  user.answerYes = true;
  EXPECT_FALSE(checkDataProvider(engine, user, kSupport));
  ASSERT_EQ(user.questions.size(), 1u);
  EXPECT_EQ(user.questions[0],
            "Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\n"
            "You are getting this error because:\r\n\r\n"
            "1. Microsoft Access is not installed on your computer.\r\n\r\n"
            "2. A set of Microsoft components to transfer data is not installed on your computer.\r\n\r\n"
            "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve this problem."
            "\r\n\r\n"
            "Would you like me to open the Microsoft site now so you can do this?\r\n\r\n"
            "(If you have any further questions please email a screenshot of this error message to "
            "support@ledgerfen.com)");
  EXPECT_EQ(user.opened, (std::vector<std::string>{"https://www.microsoft.com/en-us/download/details.aspx?id=13255",
                                                   "https://www.microsoft.com/en-us/download/details.aspx?id=54920"}));
}

TEST(ProviderCheck, NoOpensNothingAndStillAnswersFalse) {
  UnloadableEngine engine(3706, "Provider cannot be found. It may not be properly installed.");
  ScriptedUser user;
  EXPECT_FALSE(checkDataProvider(engine, user, kSupport));
  EXPECT_EQ(user.questions.size(), 1u);
  EXPECT_TRUE(user.opened.empty());
}

TEST(ProviderCheck, TheNumberOrTheTextInAnyCaseMeansAMissingProvider) {
  for (auto [number, text] :
       std::vector<std::pair<int32_t, std::string>>{{3706, "localised text"},
                                                    {0, "PROVIDER CANNOT BE FOUND. It may not be properly installed."},
                                                    {-2147467259, "The provider cannot be found on this system"}}) {
    UnloadableEngine engine(number, text);
    ScriptedUser user;
    EXPECT_FALSE(checkDataProvider(engine, user, kSupport));
    EXPECT_EQ(user.questions.size(), 1u) << text;
  }
}

TEST(ProviderCheck, AnyOtherFailureAnswersFalseSilently) {
  UnloadableEngine engine(429, "ActiveX component can't create object");
  ScriptedUser user;
  user.answerYes = true;
  EXPECT_FALSE(checkDataProvider(engine, user, kSupport));
  EXPECT_TRUE(user.questions.empty());
  EXPECT_TRUE(user.opened.empty());
}

}  // namespace
}  // namespace ledgerfen::data
