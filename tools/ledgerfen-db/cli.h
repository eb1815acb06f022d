// ledgerfen-db: the command-line door to the engine, used by people, tests
// and benchmarks alike.
//
// Exit codes: 0 success, 1 usage error, 2 the database could not be read.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ledgerfen::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

// Runs one command; `args` excludes the program name.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ledgerfen::cli
