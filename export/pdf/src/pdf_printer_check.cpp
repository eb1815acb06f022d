#include "ledgerfen/pdf/pdf_printer_check.h"

#include <iterator>

#include "ledgerfen/pdf/pdf_export.h"
#include "ledgerfen/shell/product.h"

namespace ledgerfen::pdf {

std::string pdfPrinterMissingText() {
  const std::string name(kPdfPrinterName);
  const std::string lines[] = {
      name + " is not installed. Please follow these instructions:",
      "",
      "1) Go to Control Panel -> Printers and Faxes to add a local printer.",
      "2) Choose ''CPW2: (" + name + ")'' on Select a Printer Port dialog box, click Next.",
      "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.",
      "4) Enter " + name + " as Printer name, click Next -> Finish.",
  };
  std::string text = lines[0];
  for (size_t i = 1; i < std::size(lines); ++i) text += "\r\n" + lines[i];
  return text;
}

bool pdfPrinterInstalled(PrintingSystem& printers) {
  PrintingResult<std::vector<PrinterQueue>> destinations = printers.destinations();
  return destinations.ok() && resolvePrinter(destinations.value(), kPdfPrinterName).has_value();
}

PdfPrinterInstalledCheck::PdfPrinterInstalledCheck(PrintingSystem& printers, shell::MessageBoxes& boxes)
    : printers_(printers), messages_(boxes) {
  shell::setAppTitle(messages_);
}

Status PdfPrinterInstalledCheck::checkInstalled() {
  if (!pdfPrinterInstalled(printers_)) messages_.show(pdfPrinterMissingText());
  return okStatus();
}

}  // namespace ledgerfen::pdf
