// The user's default printer, for the PDF export, which makes the PDF
// printer the user's own default while it prints and then puts the user's
// own default back exactly as it was: the printer it named, or none at all
// (so that the system's default applies again; a system default is never
// copied into the user's own options). The system-wide default is never
// changed.
//
// Keeps no state between calls. Used on the user-interface thread.
#pragma once

#include <optional>
#include <string>

#include "ledgerfen/pdf/printing_system.h"
#include "ledgerfen/shell/messages.h"
#include "ledgerfen/status.h"

namespace ledgerfen::pdf {

// The message shown when the printing system cannot tell the default: four
// lines joined by CR LF, the first "Error No: " and the printing system's
// error number, the second its description.
std::string defaultPrinterFailureText(const PrintingFailure& failure);

inline constexpr const char* kCannotSetPrinter = "Cannot set printer.";

// The user's own default printer as it was before a switch: a destination,
// or nothing when the user had none of their own.
using UserDefault = std::optional<std::string>;

class DefaultPrinter {
 public:
  DefaultPrinter(PrintingSystem& printers, shell::MessageService& messages)
      : printers_(printers), messages_(messages) {}

  // The name of the default printer as every program sees it; empty text,
  // silently, when no printer is the default. When the printing system
  // cannot tell (CUPS not running), shows the four-line failure message
  // (OK only, no icon, application title) and returns empty text.
  std::string currentName();

  // The user's own default, to be put back later with restore(). When the
  // user's options cannot be read, shows the four-line failure message and
  // returns nothing: a default that was not read cannot be put back.
  std::optional<UserDefault> saveUserDefault();

  // Makes the printer `name` means (resolvePrinter) the user's default.
  // True when the printing system took it; false for an empty or unknown
  // name or a refusal, shown as "Cannot set printer." only when
  // `reportFailure` is true.
  bool makeDefault(const std::string& name, bool reportFailure);

  // Puts the user's own default back as saveUserDefault() found it: that
  // printer (whether or not it still exists), or no default of their own.
  // An error, saying what the user can do, when the printing system refuses.
  Status restore(const UserDefault& saved);

 private:
  PrintingSystem& printers_;
  shell::MessageService& messages_;
};

}  // namespace ledgerfen::pdf
