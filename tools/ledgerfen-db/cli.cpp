#include "cli.h"

#include <string_view>

#include "commands/commands.h"

namespace ledgerfen::cli {
namespace {

struct Command {
  std::string_view name;
  std::string_view usage;
  size_t minArgs, maxArgs;
  std::set<std::string> flags;
  std::set<std::string> options;  // taking a value, besides --password
  int (*handler)(const Arguments&, CommandIo);
};

const Command kCommands[] = {
    {"tables", "tables FILE [--password P]", 1, 1, {}, {}, runTables},
    {"schema", "schema FILE [TABLE] [--password P]", 1, 2, {}, {}, runSchema},
    {"count", "count FILE TABLE [--password P]", 2, 2, {}, {}, runCount},
    {"dump", "dump --canonical FILE [--password P]", 1, 1, {"canonical"}, {}, runDump},
    {"find",
     "find FILE TABLE --index NAME [--key V ...] [--from V ... | --after V ...] [--to V ... | --before V ...] "
     "[--password P]",
     2,
     2,
     {},
     {"index", "key", "from", "after", "to", "before"},
     runFind},
    {"check", "check FILE [--strict] [--password P]", 1, 1, {"strict"}, {}, runCheck},
    {"apply", "apply FILE [--batch] [--password P] < CHANGES.jsonl", 1, 1, {"batch"}, {}, runApply},
    {"export",
     "export FILE TABLE --format csv|txt|xml [-o OUT] [--password P]",
     2,
     2,
     {},
     {"format", "output"},
     runExport},
    {"create", "create FILE [--format jet4|ace12]", 1, 1, {}, {"format"}, runCreate},
    {"create-table",
     "create-table FILE TABLE \"NAME TYPE[(SIZE)] [required] [autonumber] [primary] [unique]\" ... "
     "[--index \"NAME: COLUMN [desc], ...\"] [--password P]",
     3,
     1000,
     {},
     {"index"},
     runCreateTable},
    {"import", "import FILE TABLE CSV [--password P]", 3, 3, {}, {}, runImport},
};

void printUsage(std::ostream& err) {
  err << "usage: ledgerfen-db COMMAND ...\n";
  for (const Command& c : kCommands) err << "  ledgerfen-db " << c.usage << "\n";
}

}  // namespace

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "help") {
    printUsage(err);
    return args.empty() ? kExitUsage : kExitOk;
  }
  for (const Command& c : kCommands) {
    if (args[0] != c.name) continue;
    std::string error;
    std::set<std::string> withValue = c.options;
    withValue.insert("password");
    auto parsed = parseArguments({args.begin() + 1, args.end()}, withValue, error);
    if (parsed) {
      for (const std::string& flag : parsed->flags) {
        if (!c.flags.count(flag)) error = "unknown option --" + flag;
      }
      if (error.empty() && (parsed->positional.size() < c.minArgs || parsed->positional.size() > c.maxArgs)) {
        error = "wrong number of arguments";
      }
    }
    if (!parsed || !error.empty()) {
      err << "ledgerfen-db: " << error << "\nusage: ledgerfen-db " << c.usage << "\n";
      return kExitUsage;
    }
    return c.handler(*parsed, CommandIo{in, out, err});
  }
  err << "ledgerfen-db: unknown command " << args[0] << "\n";
  printUsage(err);
  return kExitUsage;
}

}  // namespace ledgerfen::cli
