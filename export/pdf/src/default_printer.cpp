#include "ledgerfen/pdf/default_printer.h"

namespace ledgerfen::pdf {

std::string defaultPrinterFailureText(const PrintingFailure& failure) {
  return "Error No: " + std::to_string(failure.number) + "\r\n" + failure.description + "\r\n" +
         "Has occured in modPrinters.GetDefaultPrinter\r\n" + "Please contact Technical Support";
}

std::string DefaultPrinter::currentName() {
  PrintingResult<std::optional<std::string>> name = printers_.defaultDestination();
  if (name.ok()) return name.value().value_or("");
  messages_.show(defaultPrinterFailureText(name.failure()));
  return {};
}

std::optional<UserDefault> DefaultPrinter::saveUserDefault() {
  PrintingResult<std::optional<std::string>> saved = printers_.userDefault();
  if (saved.ok()) return saved.value();
  messages_.show(defaultPrinterFailureText(saved.failure()));
  return std::nullopt;
}

bool DefaultPrinter::makeDefault(const std::string& name, bool reportFailure) {
  bool changed = false;
  PrintingResult<std::vector<PrinterQueue>> destinations = printers_.destinations();
  if (destinations.ok()) {
    if (std::optional<PrinterQueue> destination = resolvePrinter(destinations.value(), name)) {
      changed = printers_.setUserDefault(destination->destinationName()).ok();
    }
  }
  if (!changed && reportFailure) messages_.show(kCannotSetPrinter);
  return changed;
}

Status DefaultPrinter::restore(const UserDefault& saved) {
  PrintingResult<std::monostate> restored = printers_.setUserDefault(saved);
  if (restored.ok()) return okStatus();
  const std::string why = restored.failure().description;
  if (saved) {
    return Error(ErrorKind::Io, "Your default printer could not be made " + *saved + " again: " + why +
                                    ". Make it your default again with: lpoptions -d " + *saved);
  }
  return Error(ErrorKind::Io,
               "The PDF printer could not be taken away as your default printer: " + why +
                   ". Remove the line that starts with \"Default\" from ~/.cups/lpoptions to have the system's "
                   "default printer again.");
}

}  // namespace ledgerfen::pdf
