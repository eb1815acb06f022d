// create and create-table: new databases and tables.
#include "cli.h"
#include "commands/commands.h"
#include "commands/table_description.h"

namespace ledgerfen::cli {

int runCreate(const Arguments& args, CommandIo io) {
  std::string formatName = args.option("format").value_or("jet4");
  FileFormat format;
  if (formatName == "jet4") {
    format = FileFormat::Jet4;
  } else if (formatName == "ace12") {
    format = FileFormat::Ace12;
  } else {
    io.err << "ledgerfen-db: --format is jet4 or ace12\n";
    return kExitUsage;
  }
  Status s = Database::create(args.positional[0], format);
  if (!s) return fail(s.error(), io);
  return kExitOk;
}

int runCreateTable(const Arguments& args, CommandIo io) {
  auto spec = parseTableDescription(args.positional[1], {args.positional.begin() + 2, args.positional.end()},
                                    args.values("index"));
  if (!spec) {
    io.err << "ledgerfen-db: " << spec.error().message() << "\n";
    return kExitUsage;
  }
  auto db = openDatabase(args, io, /*writable=*/true);
  if (!db) return kExitFailed;
  if (db->isReadOnly()) return fail(Error(ErrorKind::ReadOnly, db->readOnlyReason()), io);
  auto table = db->createTable(*spec);
  if (!table) return fail(table.error(), io);
  return kExitOk;
}

}  // namespace ledgerfen::cli
