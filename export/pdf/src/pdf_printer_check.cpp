#include "ledgerfen/pdf/pdf_printer_check.h"

#include <initializer_list>

#include "ledgerfen/pdf/pdf_export.h"
#include "ledgerfen/shell/product.h"

namespace ledgerfen::pdf {

namespace {

// The name of the PDF printer's queue: its name with each blank as "_".
std::string pdfQueueName() {
  std::string queue(kPdfPrinterName);
  for (char& c : queue) {
    if (c == ' ') c = '_';
  }
  return queue;
}

std::string joinedLines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

std::string installationSteps() {
  const std::string name(kPdfPrinterName);
  return joinedLines({
      "1) Install CUPS and its PDF printer: sudo apt-get install cups cups-filters printer-driver-cups-pdf",
      "2) Add the printer: sudo lpadmin -p " + pdfQueueName() +
          " -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D \"" + name +
          "\" -o pdftops-renderer-default=pdftocairo",
      "3) Start the program again. The PDF files go to the folder PDF in your home folder.",
  });
}

}  // namespace

std::string pdfPrinterMissingText() {
  const std::string name(kPdfPrinterName);
  return joinedLines({name + " is not installed. Please follow these instructions:", "", installationSteps()});
}

std::string printingSystemSilentText(const PrintingFailure& failure) {
  const std::string name(kPdfPrinterName);
  return joinedLines({"The printing system (CUPS) cannot be reached (" + failure.description + "), so " + name +
                          " cannot be looked for.",
                      "", "If CUPS is installed, start it: sudo systemctl start cups",
                      "Otherwise please follow these instructions:", "", installationSteps()});
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
  PrintingResult<std::vector<PrinterQueue>> destinations = printers_.destinations();
  // A printing system that does not answer is a failure of the check, which
  // the start-up reports at its step; a missing printer is only a state.
  if (!destinations.ok()) return Error(ErrorKind::Io, printingSystemSilentText(destinations.failure()));
  if (!resolvePrinter(destinations.value(), kPdfPrinterName)) {
    messages_.show(pdfPrinterMissingText());
  }
  return okStatus();
}

}  // namespace ledgerfen::pdf
