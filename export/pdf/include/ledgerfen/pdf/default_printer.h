// The user's default printer, for the PDF export, which prints through it:
// reading its name, and making a named printer the default. The default is
// the user's own, seen at once by every program the user runs; the
// system-wide default is never changed.
//
// Keeps no state between calls. Used on the user-interface thread.
#pragma once

#include <string>

#include "ledgerfen/pdf/printing_system.h"
#include "ledgerfen/shell/messages.h"

namespace ledgerfen::pdf {

// The message currentName() shows when the default cannot be read: four
// lines joined by CR LF, the first "Error No: " and the printing system's
// error number, the second its description.
std::string defaultPrinterFailureText(const PrintingFailure& failure);

inline constexpr const char* kCannotSetPrinter = "Cannot set printer.";

class DefaultPrinter {
 public:
  DefaultPrinter(PrintingSystem& printers, shell::MessageService& messages)
      : printers_(printers), messages_(messages) {}

  // The name of the user's default printer. When it cannot be read (no
  // default, no printer at all, the printing system not running), shows the
  // four-line failure message (OK only, no icon, application title) and
  // returns empty text.
  std::string currentName();

  // Makes the printer `name` means (resolvePrinter) the user's default.
  // True when the printing system took it; false for an empty or unknown
  // name or a refusal, shown as "Cannot set printer." only when
  // `reportFailure` is true.
  bool makeDefault(const std::string& name, bool reportFailure);

 private:
  PrintingSystem& printers_;
  shell::MessageService& messages_;
};

}  // namespace ledgerfen::pdf
