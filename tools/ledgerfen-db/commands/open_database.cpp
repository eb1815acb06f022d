#include "cli.h"
#include "commands/commands.h"

namespace ledgerfen::cli {

int fail(const Error& error, CommandIo io) {
  io.err << "ledgerfen-db: " << error.message() << "\n";
  return kExitFailed;
}

std::unique_ptr<Database> openDatabase(const Arguments& args, CommandIo io, bool writable) {
  OpenOptions options;
  options.password = args.option("password").value_or("");
  options.writable = writable;
  auto db = Database::open(args.positional.at(0), options);
  if (!db) {
    fail(db.error(), io);
    return nullptr;
  }
  return std::move(*db);
}

}  // namespace ledgerfen::cli
