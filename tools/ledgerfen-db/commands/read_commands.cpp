// tables, schema, count and dump: the commands that only read.
#include "canonical/canonical_dump.h"
#include "cli.h"
#include "commands/commands.h"

namespace ledgerfen::cli {
namespace {

std::string columnFlags(const Column& c) {
  std::string flags;
  auto add = [&](const char* f) {
    if (!flags.empty()) flags += ",";
    flags += f;
  };
  if (c.fixed && (c.type == ColumnType::Text || c.type == ColumnType::Binary)) add("fixed-length");
  if (c.autoNumber) add("autonumber");
  if (c.guidAutoNumber) add("guid-autonumber");
  if (c.calculated) add("calculated");
  if (c.hyperlink) add("hyperlink");
  if (c.compressedUnicode) add("compressed");
  if (!c.nullable) add("not-null");
  return flags;
}

std::string typeText(const Column& c) {
  std::string t(isKnownColumnType(c.typeCode) ? columnTypeName(c.type) : "unknown");
  if (c.type == ColumnType::Numeric) t += "(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  return t;
}

void printSchema(const TableSchema& s, std::ostream& out) {
  out << "table " << s.name << "\n";
  for (const Column& c : s.columns) {
    out << "  column " << c.name << " " << typeText(c) << " size " << c.length;
    if (std::string f = columnFlags(c); !f.empty()) out << " " << f;
    out << "\n";
  }
  for (const Index& i : s.indexes) {
    out << "  index " << i.name << " (";
    for (size_t k = 0; k < i.columns.size(); ++k) {
      int position = s.positionOfNumber(i.columns[k].columnNumber);
      out << (k ? ", " : "") << (position >= 0 ? s.columns[size_t(position)].name : "?")
          << (i.columns[k].ascending ? " asc" : " desc");
    }
    out << ")";
    if (i.primaryKey) out << " primary";
    if (i.foreignKey) out << " foreign";
    if (i.unique) out << " unique";
    if (i.ignoreNulls) out << " ignore-nulls";
    if (i.required) out << " required";
    out << "\n";
  }
}

}  // namespace

int runTables(const Arguments& args, CommandIo io) {
  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  auto names = db->userTableNames();
  if (!names) return fail(names.error(), io);
  for (const std::string& name : *names) io.out << name << "\n";
  return kExitOk;
}

int runSchema(const Arguments& args, CommandIo io) {
  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  std::vector<std::string> names;
  if (args.positional.size() > 1) {
    names.push_back(args.positional[1]);
  } else {
    auto all = db->userTableNames();
    if (!all) return fail(all.error(), io);
    names = std::move(*all);
  }
  for (const std::string& name : names) {
    auto table = db->table(name);
    if (!table) return fail(table.error(), io);
    printSchema(table->schema(), io.out);
  }
  return kExitOk;
}

int runCount(const Arguments& args, CommandIo io) {
  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  auto table = db->table(args.positional[1]);
  if (!table) return fail(table.error(), io);
  auto count = table->countRows();
  if (!count) return fail(count.error(), io);
  io.out << *count << "\n";
  return kExitOk;
}

int runDump(const Arguments& args, CommandIo io) {
  if (!args.flag("canonical")) {
    io.err << "ledgerfen-db: dump needs --canonical (the only dump format)\n";
    return kExitUsage;
  }
  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  Status s = canonical::writeCanonicalDump(*db, io.out);
  if (!s) return fail(s.error(), io);
  return kExitOk;
}

}  // namespace ledgerfen::cli

namespace ledgerfen::cli {

int runCheck(const Arguments& args, CommandIo io) {
  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  auto report = db->checkIntegrity(args.flag("strict"));
  if (!report) return fail(report.error(), io);
  for (const std::string& problem : report->problems) io.out << problem << "\n";
  for (const std::string& note : report->notes) io.err << "note: " << note << "\n";
  return report->problems.empty() ? kExitOk : kExitProblems;
}

}  // namespace ledgerfen::cli
