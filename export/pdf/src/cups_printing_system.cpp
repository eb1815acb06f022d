#include "ledgerfen/pdf/cups_printing_system.h"

#include <cups/cups.h>
#include <errno.h>

#include <cstring>

namespace ledgerfen::pdf {
namespace {

PrintingFailure lastFailure() {
  const char* text = cupsLastErrorString();
  return PrintingFailure{static_cast<int>(cupsLastError()), text ? text : ""};
}

// The destinations of one cupsGetDests2 call, freed when it goes.
class DestinationList {
 public:
  DestinationList() { count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_); }
  ~DestinationList() { cupsFreeDests(count_, dests_); }
  DestinationList(const DestinationList&) = delete;
  DestinationList& operator=(const DestinationList&) = delete;

  int count() const { return count_; }
  cups_dest_t* dests() const { return dests_; }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

std::vector<PrinterQueue> queuesOf(const DestinationList& list) {
  std::vector<PrinterQueue> queues;
  for (int i = 0; i < list.count(); ++i) {
    const cups_dest_t& dest = list.dests()[i];
    const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
    queues.push_back(PrinterQueue{dest.name ? dest.name : "", dest.instance ? dest.instance : "", info ? info : "",
                                  dest.is_default != 0});
  }
  return queues;
}

// An empty list is no printer, unless the scheduler could not be asked.
bool listFailed(const DestinationList& list) {
  if (list.count() > 0) return false;
  const ipp_status_t status = cupsLastError();
  return status >= IPP_STATUS_REDIRECTION_OTHER_SITE && status != IPP_STATUS_ERROR_NOT_FOUND;
}

}  // namespace

PrintingResult<std::vector<PrinterQueue>> CupsPrintingSystem::destinations() {
  DestinationList list;
  if (listFailed(list)) return lastFailure();
  return queuesOf(list);
}

PrintingResult<std::string> CupsPrintingSystem::defaultDestination() {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  if (!dest) return lastFailure();
  std::string name = dest->name ? dest->name : "";
  if (dest->instance) name += "/" + std::string(dest->instance);
  cupsFreeDests(1, dest);
  return name;
}

PrintingResult<std::monostate> CupsPrintingSystem::setUserDefault(const PrinterQueue& destination) {
  DestinationList list;
  if (listFailed(list)) return lastFailure();
  const char* instance = destination.instance.empty() ? nullptr : destination.instance.c_str();
  if (!cupsGetDest(destination.name.c_str(), instance, list.count(), list.dests())) {
    return PrintingFailure{static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND),
                           "The printer " + destination.destinationName() + " does not exist."};
  }
  cupsSetDefaultDest(destination.name.c_str(), instance, list.count(), list.dests());
  errno = 0;
  if (cupsSetDests2(CUPS_HTTP_DEFAULT, list.count(), list.dests()) != 0) {
    // A file that cannot be written leaves no CUPS error behind, only errno.
    const int fileError = errno;
    if (cupsLastError() >= IPP_STATUS_REDIRECTION_OTHER_SITE) return lastFailure();
    return PrintingFailure{static_cast<int>(IPP_STATUS_ERROR_INTERNAL),
                           "The user's printer options (lpoptions) cannot be written: " +
                               std::string(std::strerror(fileError ? fileError : EIO))};
  }
  return std::monostate{};
}

}  // namespace ledgerfen::pdf
