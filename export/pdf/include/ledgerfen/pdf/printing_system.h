// The printing system as the PDF export sees it: the print queues the user
// can print to, the default destination, and the user's own default, which
// can be read, set and taken away again. On Linux this is CUPS
// (cups_printing_system.h); tests use a fake.
//
// The default printer is the user's own (their lpoptions) when they chose
// one, else the system's; having none at all is a state, not a failure.
//
// A printer is named the way the user knows it. CUPS queue names cannot hold
// blanks, so "Mirrowick PDF Writer" is the queue Mirrowick_PDF_Writer, whose
// description (printer-info) is "Mirrowick PDF Writer". resolvePrinter turns
// such a name into the queue it means.
//
// Every call is made on the user-interface thread and blocks it while the
// printing system answers.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace ledgerfen::pdf {

// One destination: a queue, or a named instance of a queue (a set of the
// user's options for it, "queue/instance").
struct PrinterQueue {
  std::string name;      // the queue name, without blanks
  std::string instance;  // empty for the queue itself
  std::string info;      // its description (printer-info); may hold blanks
  bool isDefault = false;

  // "queue" or "queue/instance": the name the printing system uses.
  std::string destinationName() const { return instance.empty() ? name : name + "/" + instance; }
};

// A failure as the printing system reports it: its own error number and text.
struct PrintingFailure {
  int number = 0;
  std::string description;
};

template <typename T>
class [[nodiscard]] PrintingResult {
 public:
  PrintingResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  PrintingResult(PrintingFailure failure) : state_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  const T& value() const {
    assert(ok());
    return std::get<0>(state_);
  }
  const PrintingFailure& failure() const {
    assert(!ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, PrintingFailure> state_;
};

class PrintingSystem {
 public:
  virtual ~PrintingSystem() = default;

  // Every destination the user sees, in the printing system's order. No
  // printers at all is an empty list, not a failure.
  virtual PrintingResult<std::vector<PrinterQueue>> destinations() = 0;
  // The default destination as every program of the user sees it, written
  // as destinationName() writes it; nothing when no printer is the default.
  virtual PrintingResult<std::optional<std::string>> defaultDestination() = 0;
  // The user's own default: the destination the user's own options name
  // ("queue" or "queue/instance", whether or not it still exists), or
  // nothing when they name none and the system's default applies. A
  // failure only when the user's options cannot be read.
  virtual PrintingResult<std::optional<std::string>> userDefault() = 0;
  // Makes `destination` the user's own default, or with nothing takes the
  // user's own default away. Nothing else of the user's options changes,
  // and nothing of the system's; the name is not checked.
  virtual PrintingResult<std::monostate> setUserDefault(const std::optional<std::string>& destination) = 0;
};

// The destination a printer name means: the destination of exactly that name
// ("queue" or "queue/instance"); else the name with each blank written as
// "_"; else the one queue whose description is exactly that name. Names
// compare exactly, case included. Nothing when no destination fits, the
// name is empty, or several queues share the description.
std::optional<PrinterQueue> resolvePrinter(const std::vector<PrinterQueue>& destinations, std::string_view name);

}  // namespace ledgerfen::pdf
