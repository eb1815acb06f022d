// The start-up check that the PDF printer is installed: silent when a print
// queue answers to "Mirrowick PDF Writer" (resolvePrinter), otherwise one
// message with the steps that install it on this system. When CUPS does not
// answer, the check fails with that, how to start it and the same steps, for
// the start-up to report. It never stops the start-up.
#pragma once

#include <string>

#include "ledgerfen/pdf/printing_system.h"
#include "ledgerfen/shell/messages.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::pdf {

// The lines, joined by CR LF, that tell the user how to install the PDF
// printer with CUPS: the packages, the queue, and where the files go.
std::string pdfPrinterMissingText();

// What the check says when CUPS cannot be asked for its printers: CUPS's
// words, how to start it, and the installation steps for a system without
// it.
std::string printingSystemSilentText(const PrintingFailure& failure);

// Whether a destination answers to the PDF printer's name. A printing system
// that cannot be asked has no PDF printer either.
bool pdfPrinterInstalled(PrintingSystem& printers);

class PdfPrinterInstalledCheck final : public shell::PdfPrinterCheck {
 public:
  // The message carries the application title, as every untitled box does.
  PdfPrinterInstalledCheck(PrintingSystem& printers, shell::MessageBoxes& boxes);

  // Shows pdfPrinterMissingText() (OK only, no icon) when the printer is
  // missing, also when there is no printer at all; fails with
  // printingSystemSilentText() when CUPS does not answer.
  Status checkInstalled() override;

 private:
  PrintingSystem& printers_;
  shell::MessageService messages_;
};

}  // namespace ledgerfen::pdf
