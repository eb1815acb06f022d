// Starting another program as a process of its own and waiting for it to
// end: the one way the exports hand work to other programs (the PDF export's
// print program, the shell that opens a workbook in LibreOffice Calc). A
// command line is split into arguments by splitCommandLine, never handed to
// a shell. The Linux implementation is PosixProcessLauncher; tests use
// fakes.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

// The arguments of a command line: blanks (spaces and tabs) separate them,
// and a double quote starts or ends a stretch in which blanks belong to the
// argument. The quotes themselves are dropped; nothing else is special, so a
// quoted path keeps its blanks and backslashes. `"" ` gives an empty argument.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The full path of an executable: `name` itself when it holds a "/", else
// the first match in PATH.
std::optional<std::string> findProgram(const std::string& name);

// How a process ended: its exit code (128 + the signal's number when a
// signal ended it) and what it wrote to its standard error.
struct ProcessEnd {
  int exitCode = 0;
  std::string errorOutput;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts the program at the path arguments[0] (the path as given; PATH is
  // not searched) with the other arguments, and waits at most `timeout`
  // for it to end. A program that cannot be started ("Cannot start PATH:
  // why"), or that is still running when the time is up (it is then
  // killed), is an error.
  virtual Result<ProcessEnd> runAndWait(const std::vector<std::string>& arguments,
                                        std::chrono::milliseconds timeout) = 0;
};

// posix_spawn with standard input and output on /dev/null and standard error
// read back through a pipe (the first 64 KiB are kept).
class PosixProcessLauncher final : public ProcessLauncher {
 public:
  Result<ProcessEnd> runAndWait(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) override;
};

}  // namespace ledgerfen::exporting
