// Connection strings: which provider a path selects, the exact text, and
// reading the text back whatever the path and password hold.
#include "ledgerfen/data/connection_string.h"

#include <gtest/gtest.h>

namespace ledgerfen::data {
namespace {

constexpr const char* kAcePrefix = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
constexpr const char* kJetPrefix = "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
constexpr const char* kPasswordPart = ";JET OLEDB:Database Password=";

TEST(BuildingConnectionStrings, AccdbEndingInAnyCaseSelectsAce) {
  EXPECT_EQ(buildConnectionString("/data/Shop.ACCDB", "pw"),
            std::string(kAcePrefix) + "/data/Shop.ACCDB" + kPasswordPart + "pw");
  EXPECT_EQ(buildConnectionString("/data/shop.accdb", ""),
            std::string(kAcePrefix) + "/data/shop.accdb" + kPasswordPart);
  // Only the last five characters count: no dot needed, and a path of
  // exactly five characters is compared whole.
  EXPECT_EQ(buildConnectionString("/data/shopaccdb", ""), std::string(kAcePrefix) + "/data/shopaccdb" + kPasswordPart);
  EXPECT_EQ(buildConnectionString("AcCdB", ""), std::string(kAcePrefix) + "AcCdB" + kPasswordPart);
}

TEST(BuildingConnectionStrings, EverythingElseSelectsJet) {
  for (const char* path : {"/data/shop.mdb", "/data/shop.accde", "/data/shop.mde", "ccdb", "", "/data/shop.accdb "}) {
    EXPECT_EQ(buildConnectionString(path, "x"), std::string(kJetPrefix) + path + kPasswordPart + "x") << path;
  }
}

TEST(BuildingConnectionStrings, InsertsTextUnchanged) {
  EXPECT_EQ(buildConnectionString(" /a;b=c/d.mdb ", " p;w=\"x\" "),
            std::string(kJetPrefix) + " /a;b=c/d.mdb " + kPasswordPart + " p;w=\"x\" ");
}

TEST(ParsingConnectionStrings, ReadsBackBothForms) {
  auto ace = parseConnectionString(buildConnectionString("/data/shop.accdb", "secret"));
  ASSERT_TRUE(ace.ok()) << ace.error().message();
  EXPECT_EQ(ace->provider, "Microsoft.ACE.OLEDB.12.0");
  EXPECT_EQ(ace->dataSource, "/data/shop.accdb");
  EXPECT_EQ(ace->password, "secret");

  auto jet = parseConnectionString(buildConnectionString("/data/shop.mdb", ""));
  ASSERT_TRUE(jet.ok());
  EXPECT_EQ(jet->provider, "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(jet->dataSource, "/data/shop.mdb");
  EXPECT_EQ(jet->password, "");
}

TEST(ParsingConnectionStrings, PathsAndPasswordsWithSeparatorsSurviveTheRoundTrip) {
  struct Case {
    std::string path, password;
  };
  for (const Case& c : std::vector<Case>{
           {"/a;b/c=d.mdb", "p;w"},
           {"/x;Data Source=y.mdb", "=;="},
           {"/a;JET OLEDB:Database Password=b.accdb", "pw"},
           {"/plain.mdb", ";"},
           {";", ""},
           {"", "  spaced  "},
           {"/données/ünïcode.accdb", "пароль"},
       }) {
    auto parsed = parseConnectionString(buildConnectionString(c.path, c.password));
    ASSERT_TRUE(parsed.ok()) << c.path;
    EXPECT_EQ(parsed->dataSource, c.path);
    EXPECT_EQ(parsed->password, c.password);
  }
}

TEST(ParsingConnectionStrings, KeywordsMatchWithoutRegardToCaseAndThePasswordPartIsOptional) {
  auto parsed =
      parseConnectionString("provider=Microsoft.Jet.OLEDB.4.0;DATA SOURCE=/d.mdb;jet oledb:database password=w");
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed->dataSource, "/d.mdb");
  EXPECT_EQ(parsed->password, "w");

  auto noPassword = parseConnectionString("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d;e.accdb");
  ASSERT_TRUE(noPassword.ok());
  EXPECT_EQ(noPassword->dataSource, "/d;e.accdb");
  EXPECT_EQ(noPassword->password, "");
}

TEST(ParsingConnectionStrings, RejectsTextOfAnotherShape) {
  for (const char* text : {"", "Data Source=/d.mdb", "Provider=Microsoft.Jet.OLEDB.4.0", "Provider=x;Path=/d.mdb"}) {
    auto parsed = parseConnectionString(text);
    ASSERT_FALSE(parsed.ok()) << text;
    EXPECT_EQ(parsed.error().kind(), ErrorKind::InvalidArgument);
  }
}

}  // namespace
}  // namespace ledgerfen::data
