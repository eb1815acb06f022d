#include "ledgerfen/data/provider_check.h"

#include <algorithm>
#include <cctype>

namespace ledgerfen::data {
namespace {

bool containsNoCase(std::string_view text, std::string_view needle) {
  auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return it != text.end();
}

}  // namespace

std::string providerMissingMessage(std::string_view supportAddress) {
  const std::string paragraphBreak = "\r\n\r\n";
  return "Error #3706: Provider cannot be found. It may not be properly installed." + paragraphBreak +
         "You are getting this error because:" + paragraphBreak +
         "1. Microsoft Access is not installed on your computer." + paragraphBreak +
         "2. A set of Microsoft components to transfer data is not installed on your computer." + paragraphBreak +
         "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve this problem." +
         paragraphBreak + "Would you like me to open the Microsoft site now so you can do this?" + paragraphBreak +
         "(If you have any further questions please email a screenshot of this error message to " +
         std::string(supportAddress) + ")";
}

bool checkDataProvider(DataEngine& engine, ProviderCheckUser& user, std::string_view supportAddress) {
  NewConnection made = engine.createConnection();
  if (made.ok()) return true;
  bool providerMissing =
      made.errorNumber == kProviderNotFoundNumber || containsNoCase(made.errorDescription, "provider cannot be found");
  if (providerMissing && user.askYesNo(providerMissingMessage(supportAddress))) {
    user.openWebAddress(std::string(kEngine2010Page));
    user.openWebAddress(std::string(kEngine2016Page));
  }
  return false;
}

}  // namespace ledgerfen::data
