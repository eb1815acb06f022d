// apply: changes from JSON lines, one per line:
//   {"op":"insert","table":"T","values":{"Column":value,...}}
//   {"op":"update","table":"T","where":{"Column":value,...},"values":{...}}
//   {"op":"delete","table":"T","where":{...}}
// Values are JSON null, true/false, numbers, or strings in the value text
// form of each column's type (ledgerfen/value_text.h). A row matches `where`
// when every named column holds the given value. Each change is written at
// once; with --batch all of them form one transaction, written only when
// every change succeeded.
#include <nlohmann/json.hpp>

#include "canonical/canonical_dump.h"
#include "cli.h"
#include "commands/commands.h"
#include "ledgerfen/value_text.h"

namespace ledgerfen::cli {
namespace {

using Json = nlohmann::json;

Result<Value> valueFor(const Column& column, const Json& j) {
  if (j.is_null()) return Value();
  if (j.is_boolean()) return Value(j.get<bool>());
  if (j.is_number()) return parseValueText(column, j.dump());
  if (j.is_string()) return parseValueText(column, j.get<std::string>());
  return Error(ErrorKind::InvalidArgument, "column " + column.name + ": give null, true, false, a number or a string");
}

// Puts the values of the JSON object `given` into `values` (one per column).
Status fillValues(const TableSchema& schema, const Json& given, std::vector<Value>& values) {
  if (!given.is_object()) return Error(ErrorKind::InvalidArgument, "\"values\" and \"where\" must be objects");
  for (const auto& [name, j] : given.items()) {
    const Column* column = schema.findColumn(name);
    if (!column) return Error(ErrorKind::NotFound, "table " + schema.name + " has no column " + name);
    LF_ASSIGN_OR_RETURN(values[size_t(column - schema.columns.data())], valueFor(*column, j));
  }
  return okStatus();
}

// The rows whose columns named in `where` hold the given values.
Result<std::vector<Row>> matchingRows(Table& table, const Json& where) {
  const TableSchema& schema = table.schema();
  std::vector<Value> wanted(schema.columns.size());
  std::vector<size_t> positions;
  LF_RETURN_IF_ERROR(fillValues(schema, where, wanted));
  for (const auto& [name, j] : where.items())
    positions.push_back(size_t(schema.findColumn(name) - schema.columns.data()));
  std::vector<Row> rows;
  LF_ASSIGN_OR_RETURN(RowCursor cursor, table.scan());
  Row row;
  while (true) {
    LF_ASSIGN_OR_RETURN(bool more, cursor.next(row));
    if (!more) break;
    bool match =
        std::all_of(positions.begin(), positions.end(), [&](size_t p) { return sameValue(row.values[p], wanted[p]); });
    if (match) rows.push_back(row);
  }
  return rows;
}

Result<std::string> applyOne(Database& db, const Json& change) {
  if (!change.is_object() || !change.contains("op") || !change.contains("table")) {
    return Error(ErrorKind::InvalidArgument, "a change needs \"op\" and \"table\"");
  }
  std::string op = change["op"].get<std::string>();
  LF_ASSIGN_OR_RETURN(Table table, db.table(change["table"].get<std::string>()));
  const TableSchema& schema = table.schema();
  if (op == "insert") {
    std::vector<Value> values(schema.columns.size());
    LF_RETURN_IF_ERROR(fillValues(schema, change.value("values", Json::object()), values));
    LF_ASSIGN_OR_RETURN(Row stored, table.insertRow(std::move(values)));
    return canonical::rowLine(schema, stored);
  }
  if (op != "update" && op != "delete") return Error(ErrorKind::InvalidArgument, "unknown op " + op);
  LF_ASSIGN_OR_RETURN(std::vector<Row> rows, matchingRows(table, change.value("where", Json::object())));
  for (const Row& row : rows) {
    if (op == "delete") {
      LF_RETURN_IF_ERROR(table.deleteRow(row.id, row.values));
    } else {
      std::vector<Value> after = row.values;
      LF_RETURN_IF_ERROR(fillValues(schema, change.value("values", Json::object()), after));
      LF_RETURN_IF_ERROR(table.updateRow(row.id, row.values, std::move(after)));
    }
  }
  return std::string("{\"") + (op == "delete" ? "deleted" : "updated") + "\":" + std::to_string(rows.size()) + "}\n";
}

}  // namespace

int runApply(const Arguments& args, CommandIo io) {
  auto db = openDatabase(args, io, /*writable=*/true);
  if (!db) return kExitFailed;
  if (db->isReadOnly()) return fail(Error(ErrorKind::ReadOnly, db->readOnlyReason()), io);
  bool batch = args.flag("batch");
  if (batch) {
    if (Status s = db->begin(); !s) return fail(s.error(), io);
  }
  std::string line, output;
  for (int number = 1; std::getline(io.in, line); ++number) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    Json change = Json::parse(line, nullptr, /*allow_exceptions=*/false);
    Result<std::string> done = change.is_discarded()
                                   ? Result<std::string>(Error(ErrorKind::InvalidArgument, "not a JSON object"))
                                   : applyOne(*db, change);
    if (!done) {
      if (batch) db->rollback();
      io.out << output;
      return fail(done.error().withContext("line " + std::to_string(number)), io);
    }
    if (batch) {
      output += *done;
    } else {
      io.out << *done;
    }
  }
  if (batch) {
    if (Status s = db->commit(); !s) return fail(s.error(), io);
    io.out << output;
  }
  return kExitOk;
}

}  // namespace ledgerfen::cli
