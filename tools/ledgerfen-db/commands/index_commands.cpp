// find: rows through an index.
#include <cctype>
#include <charconv>

#include "canonical/canonical_dump.h"
#include "cli.h"
#include "commands/commands.h"
#include "ledgerfen/value_text.h"

namespace ledgerfen::cli {
namespace {

// The index by name: the exact name first, then ignoring ASCII case, as the engine finds it.
const Index* indexNamed(const TableSchema& schema, const std::string& name) {
  auto lower = [](std::string s) {
    for (char& c : s) c = char(std::tolower(uint8_t(c)));
    return s;
  };
  for (const Index& i : schema.indexes) {
    if (i.name == name) return &i;
  }
  for (const Index& i : schema.indexes) {
    if (lower(i.name) == lower(name)) return &i;
  }
  return nullptr;
}

// Reads the values given with one option, one per index column from the first.
bool readBound(const TableSchema& schema, const Index& index, const std::vector<std::string>& texts, bool inclusive,
               std::optional<IndexBound>& bound, std::string& error) {
  if (texts.empty()) return true;
  if (texts.size() > index.columns.size()) {
    error = "index " + index.name + " has " + std::to_string(index.columns.size()) + " columns; " +
            std::to_string(texts.size()) + " values were given";
    return false;
  }
  bound.emplace();
  bound->inclusive = inclusive;
  for (size_t k = 0; k < texts.size(); ++k) {
    int position = schema.positionOfNumber(index.columns[k].columnNumber);
    if (position < 0) {
      error = "index " + index.name + " names a column the table does not have";
      return false;
    }
    // NULL stands for the missing value, whatever the column's type.
    if (texts[k] == "NULL") {
      bound->values.emplace_back();
      continue;
    }
    const Column& column = schema.columns[size_t(position)];
    if (column.type == ColumnType::Complex) {  // the key into the hidden table, a whole number
      int32_t id = 0;
      auto [end, ec] = std::from_chars(texts[k].data(), texts[k].data() + texts[k].size(), id);
      if (ec != std::errc() || end != texts[k].data() + texts[k].size()) {
        error = "column " + column.name + " expects a whole number";
        return false;
      }
      bound->values.push_back(ComplexKey{id});
      continue;
    }
    auto value = parseValueText(column, texts[k]);
    if (!value) {
      error = value.error().message();
      return false;
    }
    bound->values.push_back(std::move(*value));
  }
  return true;
}

}  // namespace

int runFind(const Arguments& args, CommandIo io) {
  auto usage = [&](const std::string& why) {
    io.err << "ledgerfen-db: " << why << "\n";
    return kExitUsage;
  };
  auto name = args.option("index");
  if (!name) return usage("find needs --index NAME");
  auto keys = args.values("key");
  if (!keys.empty() && (args.option("from") || args.option("after") || args.option("to") || args.option("before"))) {
    return usage("--key cannot be combined with --from, --after, --to or --before");
  }
  if (args.option("from") && args.option("after")) return usage("give --from or --after, not both");
  if (args.option("to") && args.option("before")) return usage("give --to or --before, not both");

  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  auto table = db->table(args.positional[1]);
  if (!table) return fail(table.error(), io);
  const TableSchema& schema = table->schema();
  const Index* index = indexNamed(schema, *name);
  if (!index) return fail(Error(ErrorKind::NotFound, "table " + schema.name + " has no index named " + *name), io);

  IndexRange range;
  std::string error;
  bool ok = keys.empty() ? readBound(schema, *index, args.values("from"), true, range.lower, error) &&
                               readBound(schema, *index, args.values("after"), false, range.lower, error) &&
                               readBound(schema, *index, args.values("to"), true, range.upper, error) &&
                               readBound(schema, *index, args.values("before"), false, range.upper, error)
                         : readBound(schema, *index, keys, true, range.lower, error);
  if (!ok) return usage(error);
  if (!keys.empty()) range.upper = range.lower;

  auto cursor = table->seek(index->name, range);
  if (!cursor) return fail(cursor.error(), io);
  Row row;
  while (true) {
    auto more = cursor->next(row);
    if (!more) return fail(more.error(), io);
    if (!*more) break;
    io.out << canonical::rowLine(schema, row);
  }
  return kExitOk;
}

}  // namespace ledgerfen::cli
