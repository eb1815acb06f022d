// What every window of the program is handed when app/Program wires it: the
// message boxes with the application title, the error report, the file
// test, the end of the program and the program folder.
#pragma once

#include <string>

#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/shell/error_report.h"
#include "ledgerfen/shell/messages.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::shell {

struct WindowServices {
  MessageService& messages;
  ErrorReporter& errors;
  const data::PathProbe& paths;
  ProgramControl& program;
  // The folder of the program's executable, where the optional files are.
  std::string programFolder;
};

}  // namespace ledgerfen::shell
