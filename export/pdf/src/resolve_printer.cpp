#include <algorithm>

#include "ledgerfen/pdf/printing_system.h"

namespace ledgerfen::pdf {
namespace {

std::optional<PrinterQueue> destinationNamed(const std::vector<PrinterQueue>& destinations, std::string_view name) {
  for (const PrinterQueue& destination : destinations) {
    if (destination.destinationName() == name) return destination;
  }
  return std::nullopt;
}

}  // namespace

std::optional<PrinterQueue> resolvePrinter(const std::vector<PrinterQueue>& destinations, std::string_view name) {
  if (name.empty()) return std::nullopt;
  if (auto exact = destinationNamed(destinations, name)) return exact;

  std::string queueName(name);
  std::replace(queueName.begin(), queueName.end(), ' ', '_');
  if (auto underscored = destinationNamed(destinations, queueName)) return underscored;

  std::optional<PrinterQueue> described;
  for (const PrinterQueue& destination : destinations) {
    if (!destination.instance.empty() || destination.info != name) continue;
    if (described) return std::nullopt;  // several queues share the description
    described = destination;
  }
  return described;
}

}  // namespace ledgerfen::pdf
