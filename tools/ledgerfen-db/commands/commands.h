// The subcommands of ledgerfen-db. Each returns an exit code (see cli.h).
#pragma once

#include <memory>
#include <ostream>

#include "arguments.h"
#include "ledgerfen/database.h"

namespace ledgerfen::cli {

struct CommandIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// Opens the database named by the first positional argument with --password
// (for writing when `writable`); on failure prints the one-line error and
// returns null.
std::unique_ptr<Database> openDatabase(const Arguments& args, CommandIo io, bool writable = false);
// Prints an engine error as the single line callers expect and returns kExitFailed.
int fail(const Error& error, CommandIo io);

int runTables(const Arguments& args, CommandIo io);
int runSchema(const Arguments& args, CommandIo io);
int runCount(const Arguments& args, CommandIo io);
int runDump(const Arguments& args, CommandIo io);
int runCheck(const Arguments& args, CommandIo io);
int runApply(const Arguments& args, CommandIo io);
int runFind(const Arguments& args, CommandIo io);
int runExport(const Arguments& args, CommandIo io);
int runCreate(const Arguments& args, CommandIo io);
int runCreateTable(const Arguments& args, CommandIo io);
int runImport(const Arguments& args, CommandIo io);

}  // namespace ledgerfen::cli
