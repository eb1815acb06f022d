// Runs a ledgerfen-db command in-process, as tests of the command line do.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli.h"

namespace ledgerfen::test {

struct RunResult {
  int code;
  std::string out, err;
};

inline RunResult run(std::vector<std::string> args) {
  std::istringstream in;
  std::ostringstream out, err;
  int code = cli::run(args, in, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace ledgerfen::test
