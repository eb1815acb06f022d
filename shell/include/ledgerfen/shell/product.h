// The product's names: the full name every window carries as its caption,
// the short application title of message boxes, and where the settings of
// the database page are kept.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/shell/messages.h"

namespace ledgerfen::shell {

inline constexpr std::string_view kProductName = "Ledgerfen Software";
// The settings of the database page live under this application and section.
inline constexpr std::string_view kSettingsApplication = "Mirrowick";
inline constexpr std::string_view kSettingsSection = "Ledgerfen Software";

// The application title for a product name: the text before its last blank,
// cut again at the last blank while longer than 40 characters. A text left
// longer than 40 characters without a blank is cut to its first 40.
// "Ledgerfen Software" gives "Ledgerfen".
std::string appTitleFor(std::string_view productName);

// Makes appTitleFor(kProductName) the title of untitled message boxes.
void setAppTitle(MessageService& messages);

}  // namespace ledgerfen::shell
