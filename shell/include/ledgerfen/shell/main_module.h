// Shared procedures of the windows: the product's names, the files the
// program looks for in its own folder, the application title, the colour
// rules, the skin and the application icon.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/shell/messages.h"
#include "ledgerfen/status.h"

class QColor;
class QIcon;
class QWidget;

namespace ledgerfen::shell {

inline constexpr std::string_view kProductName = "Ledgerfen Software";
// The settings of the database page live under this application and section.
inline constexpr std::string_view kSettingsApplication = "Mirrowick";
inline constexpr std::string_view kSettingsSection = "Ledgerfen Software";

// Optional files in the program folder.
inline constexpr std::string_view kSkinFile = "x/o.cjs";
inline constexpr std::string_view kHandPointerFile = "HAND-M.CUR";
inline constexpr std::string_view kSampleDatabase = "Samples/sample.mdb";

// A file of the program folder: the folder, "/" and the name.
std::string programFile(const std::string& programFolder, std::string_view name);

// The application title for a product name: the text before its last blank,
// cut again at the last blank while longer than 40 characters. A text left
// longer than 40 characters without a blank is cut to its first 40.
// "Ledgerfen Software" gives "Ledgerfen".
std::string appTitleFor(std::string_view productName);

// Makes appTitleFor(kProductName) the title of untitled message boxes.
void SetAppTitle(MessageService& messages);

// The system colour of button faces.
QColor buttonFaceColor();

// Gives the window and its frames, labels, check boxes and option buttons
// the button-face background.
void ApplyFormColors(QWidget& window);

// When the program folder holds the skin file (an ordinary file), gives the
// page the button-face colours and applies the file, read as a Qt style
// sheet, to the whole application, so windows opened later take it too.
// Without the file nothing changes. A skin file that cannot be read fails.
Status ApplySkin(QWidget& page, const std::string& programFolder);

// The application's icon, drawn in code.
QIcon applicationIcon();

}  // namespace ledgerfen::shell
