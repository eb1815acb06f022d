// The error report: the one way a handler that traps its failures tells the
// user what failed, where and at which step, before it carries on.
//
// A trapping handler runs its numbered steps through a TrappedHandler. A
// failing step (an error value, or an exception thrown inside it) shows the
// report with the handler's location and the step's number; the handler then
// goes on with the next step. A failing test of a condition counts as passed,
// so the handler goes on with the first step under it. One user action may
// thus show several reports in a row. A step that fails because the user
// cancelled the work (ErrorKind::Cancelled) is not reported: the handler
// sees that through cancelled() and ends the work its own way.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "ledgerfen/shell/messages.h"
#include "ledgerfen/shell/report_locations.h"
#include "ledgerfen/status.h"

namespace ledgerfen::shell {

inline constexpr std::string_view kSupportAddress = "support@ledgerfen.com";
inline constexpr std::string_view kErrorReportTitle = "Application Error";

// "in Ledgerfen2020/08/02.Form1.Form_Load ": where a trapping handler reports
// from (report_locations.h).
std::string handlerLocation(const ReportLocation& at);
// The same for any window and handler under the dated program name.
std::string handlerLocation(std::string_view window, std::string_view handler);

// The report's text: the description, CR LF, the location, "at line ", the
// step number, two CRs and the request for a screenshot.
std::string errorReportText(std::string_view description, std::string_view location, int line,
                            std::string_view supportAddress = kSupportAddress);

class ErrorReporter {
 public:
  explicit ErrorReporter(MessageService& messages) : messages_(messages) {}
  // Shows the report (title "Application Error", warning icon, OK) and
  // returns when the user has pressed OK.
  void report(std::string_view description, std::string_view location, int line);

 private:
  MessageService& messages_;
};

class TrappedHandler {
 public:
  TrappedHandler(ErrorReporter& reporter, std::string location) : reporter_(reporter), location_(std::move(location)) {}
  TrappedHandler(ErrorReporter& reporter, const ReportLocation& at) : TrappedHandler(reporter, handlerLocation(at)) {}

  // Runs the step numbered `line`. `body` returns nothing, a Status or a
  // Result; true when it succeeded.
  template <typename F>
  bool step(int line, F&& body) {
    return run(line, [&]() -> Status {
      using R = std::invoke_result_t<F&>;
      if constexpr (std::is_void_v<R>) {
        body();
        return okStatus();
      } else {
        auto outcome = body();
        if (!outcome.ok()) return outcome.error();
        return okStatus();
      }
    });
  }

  // Tests the condition of the step numbered `line`. `condition` returns
  // bool or Result<bool>; a failing test reports and counts as passed.
  template <typename F>
  bool test(int line, F&& condition) {
    bool passed = true;
    run(line, [&]() -> Status {
      using R = std::invoke_result_t<F&>;
      if constexpr (std::is_same_v<R, bool>) {
        passed = condition();
      } else {
        auto outcome = condition();
        if (!outcome.ok()) return outcome.error();
        passed = *outcome;
      }
      return okStatus();
    });
    return passed;
  }

  int failures() const { return failures_; }
  // Whether a step failed because the user cancelled the work.
  bool cancelled() const { return cancelled_; }
  const std::string& location() const { return location_; }

 private:
  bool run(int line, const std::function<Status()>& body);

  ErrorReporter& reporter_;
  std::string location_;
  int failures_ = 0;
  bool cancelled_ = false;
};

}  // namespace ledgerfen::shell
