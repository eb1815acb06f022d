// ledgerfen-db: the command-line door to the engine, used by people, tests
// and benchmarks alike.
//
// Exit codes: 0 success, 1 usage error, 2 the database could not be read.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace ledgerfen::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitProblems = 1;  // check found damage
inline constexpr int kExitFailed = 2;

// Runs one command; `args` excludes the program name. Commands that take
// input (apply) read it from `in`.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace ledgerfen::cli
