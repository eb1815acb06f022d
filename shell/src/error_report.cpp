#include "ledgerfen/shell/error_report.h"

namespace ledgerfen::shell {

std::string handlerLocation(const ReportLocation& at) {
  return "in " + std::string(at.program) + "." + std::string(at.window) + "." + std::string(at.handler) + " ";
}

std::string handlerLocation(std::string_view window, std::string_view handler) {
  return handlerLocation(ReportLocation{.window = window, .handler = handler});
}

std::string errorReportText(std::string_view description, std::string_view location, int line,
                            std::string_view supportAddress) {
  return std::string(description) + "\r\n" + std::string(location) + "at line " + std::to_string(line) + "\r\r" +
         "Please email screenshot of this message to " + std::string(supportAddress);
}

void ErrorReporter::report(std::string_view description, std::string_view location, int line) {
  messages_.show(errorReportText(description, location, line), MessageButtons::Ok, MessageIcon::Warning,
                 std::string(kErrorReportTitle));
}

bool TrappedHandler::run(int line, const std::function<Status()>& body) {
  std::string description;
  try {
    Status outcome = body();
    if (outcome.ok()) return true;
    // The user stopped the work: nothing to report.
    if (outcome.error().kind() == ErrorKind::Cancelled) {
      cancelled_ = true;
      return false;
    }
    description = outcome.error().message();
  } catch (const std::exception& e) {
    description = e.what();
  } catch (...) {
    description = "An unexpected failure occurred.";
  }
  ++failures_;
  reporter_.report(description, location_, line);
  return false;
}

}  // namespace ledgerfen::shell
