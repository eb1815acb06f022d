#include "ledgerfen/pdf/default_printer.h"

namespace ledgerfen::pdf {

std::string defaultPrinterFailureText(const PrintingFailure& failure) {
  return "Error No: " + std::to_string(failure.number) + "\r\n" + failure.description + "\r\n" +
         "Has occured in modPrinters.GetDefaultPrinter\r\n" + "Please contact Technical Support";
}

std::string DefaultPrinter::currentName() {
  PrintingResult<std::string> name = printers_.defaultDestination();
  if (name.ok()) return name.value();
  messages_.show(defaultPrinterFailureText(name.failure()));
  return {};
}

bool DefaultPrinter::makeDefault(const std::string& name, bool reportFailure) {
  bool changed = false;
  PrintingResult<std::vector<PrinterQueue>> destinations = printers_.destinations();
  if (destinations.ok()) {
    if (std::optional<PrinterQueue> destination = resolvePrinter(destinations.value(), name)) {
      changed = printers_.setUserDefault(*destination).ok();
    }
  }
  if (!changed && reportFailure) messages_.show(kCannotSetPrinter);
  return changed;
}

}  // namespace ledgerfen::pdf
