// The start-up check that the data-access engine is present. When the
// engine cannot be made because its provider is missing, the user is told how
// to install it and offered Microsoft's download pages.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/data/data_engine.h"

namespace ledgerfen::data {

// What the check needs of the user interface.
class ProviderCheckUser {
 public:
  virtual ~ProviderCheckUser() = default;
  // A message with the buttons Yes and No (Yes the default), no icon, titled
  // with the application title. True when the user answers Yes.
  virtual bool askYesNo(const std::string& text) = 0;
  // Opens a web address with the desktop's default handler; the outcome is
  // not examined.
  virtual void openWebAddress(const std::string& address) = 0;
};

inline constexpr std::string_view kEngine2010Page = "https://www.microsoft.com/en-us/download/details.aspx?id=13255";
inline constexpr std::string_view kEngine2016Page = "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

// The explanation shown when the provider is missing.
std::string providerMissingMessage(std::string_view supportAddress);

// True when the engine can make a connection. When it cannot and the failure
// says the provider is missing (number 3706, or a description containing
// "provider cannot be found" in any case), shows the explanation and, on Yes,
// opens the 2010 and then the 2016 download page. Any other failure gives
// false without a message.
bool checkDataProvider(DataEngine& engine, ProviderCheckUser& user, std::string_view supportAddress);

}  // namespace ledgerfen::data
