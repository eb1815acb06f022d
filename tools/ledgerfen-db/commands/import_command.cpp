// import: the rows of a CSV file into a table, as one transaction.
//
// The first record of the file names the columns. When the table exists,
// the names must be columns of it (in any order, not necessarily all of
// them); the others get their default values (ledgerfen/default_value.h),
// NULL when they have none, or their numbers where they are AutoNumbers.
// When it does not, it is created with the columns the header names, typed
// by what the whole file holds in each (import/column_guess.h). Fields are
// read as their column's type in the text forms of ledgerfen/value_text.h;
// an empty field is NULL. Either every row is written or, at the first
// problem, none: the message names the line and the column.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <sstream>

#include "cli.h"
#include "commands/commands.h"
#include "import/column_guess.h"
#include "import/csv_reader.h"
#include "ledgerfen/default_value.h"
#include "ledgerfen/value_text.h"

namespace ledgerfen::cli {
namespace {

constexpr size_t kShownFieldBytes = 40;

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "1 row", "2 rows".
std::string count(uint64_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

Error onLine(const CsvRecord& record, const std::string& what, ErrorKind kind = ErrorKind::InvalidArgument) {
  return Error(kind, "line " + std::to_string(record.line) + ": " + what);
}

// A field as messages quote it, on one line: its beginning when it is long,
// line breaks and tabs written as \n, \r and \t.
std::string shown(const std::string& field) {
  size_t cut = field.size();
  if (cut > kShownFieldBytes) {
    cut = kShownFieldBytes;
    while (cut > 0 && (static_cast<unsigned char>(field[cut]) & 0xC0) == 0x80) --cut;  // whole characters
  }
  std::string out = "\"";
  for (char c : std::string_view(field).substr(0, cut)) {
    out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
  }
  return out + (cut < field.size() ? "...\"" : "\"");
}

// The CSV text, to be read once or twice: a file is opened anew for each
// reading; what cannot be read twice (a pipe, /dev/stdin) is held in memory.
class CsvSource {
 public:
  static Result<CsvSource> open(const std::string& path) {
    CsvSource source;
    source.path_ = path;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error) || !std::filesystem::exists(path, error)) return source;
    LF_ASSIGN_OR_RETURN(auto stream, CsvReader::openStream(path));
    std::ostringstream text;
    text << stream->rdbuf();
    if (stream->bad()) return Error(ErrorKind::Io, "it cannot be read");
    source.text_ = std::make_shared<const std::string>(std::move(text).str());
    return source;
  }
  Result<std::unique_ptr<CsvReader>> reader() const {
    if (!text_) return CsvReader::open(path_);
    return std::make_unique<CsvReader>(std::make_unique<std::istringstream>(*text_, std::ios::binary));
  }

 private:
  std::string path_;
  std::shared_ptr<const std::string> text_;
};

Result<CsvRecord> readHeader(CsvReader& reader) {
  CsvRecord header;
  LF_ASSIGN_OR_RETURN(bool any, reader.next(header));
  if (!any) return Error(ErrorKind::InvalidArgument, "the file is empty: its first line must name the columns");
  for (size_t i = 0; i < header.fields.size(); ++i) {
    const std::string& name = header.fields[i];
    if (name.empty()) return onLine(header, "column " + std::to_string(i + 1) + " of the header has no name");
    for (size_t k = 0; k < i; ++k) {
      // Column names are told apart without regard to case.
      if (equalNoCase(header.fields[k], name))
        return onLine(header, "the header names the column " + shown(name) + " twice");
    }
  }
  return header;
}

Status checkWidth(const CsvRecord& record, const CsvRecord& header) {
  if (record.fields.size() == header.fields.size()) return okStatus();
  return onLine(record, "it has " + count(record.fields.size(), "field") + " where the header names " +
                            count(header.fields.size(), "column"));
}

// The table that the header and the values of every record call for.
Result<TableSpec> guessTable(const CsvSource& csv, const std::string& table, FileFormat format, uint64_t& records) {
  LF_ASSIGN_OR_RETURN(auto reader, csv.reader());
  LF_ASSIGN_OR_RETURN(CsvRecord header, readHeader(*reader));
  std::vector<ColumnGuess> guesses(header.fields.size());
  records = 0;
  for (CsvRecord record;;) {
    LF_ASSIGN_OR_RETURN(bool more, reader->next(record));
    if (!more) break;
    LF_RETURN_IF_ERROR(checkWidth(record, header));
    for (size_t i = 0; i < record.fields.size(); ++i) guesses[i].see(record.fields[i]);
    ++records;
  }
  TableSpec spec;
  spec.name = table;
  for (size_t i = 0; i < guesses.size(); ++i) spec.columns.push_back(guesses[i].column(header.fields[i], format));
  return spec;
}

// Where each column the header names is in the table: the exact name
// first, then without regard to case, as Access finds names.
Result<std::vector<size_t>> columnPositions(const TableSchema& schema, const CsvRecord& header) {
  std::vector<size_t> positions;
  for (const std::string& name : header.fields) {
    auto exact = [&](const Column& c) { return c.name == name; };
    auto it = std::find_if(schema.columns.begin(), schema.columns.end(), exact);
    if (it == schema.columns.end()) {
      it = std::find_if(schema.columns.begin(), schema.columns.end(),
                        [&](const Column& c) { return equalNoCase(c.name, name); });
    }
    if (it == schema.columns.end()) return onLine(header, "table " + schema.name + " has no column " + shown(name));
    positions.push_back(size_t(it - schema.columns.begin()));
  }
  return positions;
}

// Inserts a row for every record; returns how many. `expected` is the
// count the first reading found, when the file was read before.
Result<uint64_t> insertRecords(Table& table, const CsvSource& csv, std::optional<uint64_t> expected) {
  LF_ASSIGN_OR_RETURN(auto reader, csv.reader());
  LF_ASSIGN_OR_RETURN(CsvRecord header, readHeader(*reader));
  const TableSchema& schema = table.schema();
  LF_ASSIGN_OR_RETURN(std::vector<size_t> positions, columnPositions(schema, header));
  std::vector<bool> named(schema.columns.size());
  for (size_t position : positions) named[position] = true;
  uint64_t rows = 0;
  for (CsvRecord record;;) {
    LF_ASSIGN_OR_RETURN(bool more, reader->next(record));
    if (!more) break;
    LF_RETURN_IF_ERROR(checkWidth(record, header));
    std::vector<Value> values(schema.columns.size());
    for (size_t c = 0; c < values.size(); ++c) {
      if (!named[c]) values[c] = defaultValue(schema.columns[c]).value_or(Value());
    }
    for (size_t i = 0; i < record.fields.size(); ++i) {
      if (record.fields[i].empty()) continue;
      const Column& column = schema.columns[positions[i]];
      auto value = parseValueText(column, record.fields[i]);
      if (!value) {
        return onLine(record, value.error().message() + ", not " + shown(record.fields[i]), value.error().kind());
      }
      values[positions[i]] = std::move(*value);
    }
    auto stored = table.insertRow(std::move(values));
    if (!stored) return onLine(record, stored.error().message(), stored.error().kind());
    ++rows;
  }
  if (expected && rows != *expected) {
    return Error(ErrorKind::Conflict, "the file changed while it was imported: it held " + std::to_string(*expected) +
                                          " records, then " + std::to_string(rows));
  }
  return rows;
}

std::string describe(const TableSchema& schema) {
  std::string out;
  for (const Column& c : schema.columns) {
    out += (out.empty() ? "" : ", ") + c.name + " " + std::string(columnTypeName(c.type));
    if (c.type == ColumnType::Numeric) out += "(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  }
  return out;
}

std::string imported(uint64_t rows, const std::string& table) {
  return "imported " + count(rows, "row") + " into " + table + "\n";
}

// "people.csv, line 5: ..." or "people.csv: no such file".
Error inCsv(const std::string& csvPath, const Error& error) {
  return Error(error.kind(), csvPath + (error.message().starts_with("line ") ? ", " : ": ") + error.message());
}

// The import itself, inside the open transaction; returns the summary.
Result<std::string> importRows(Database& db, const std::string& tableName, const std::string& csvPath) {
  auto existing = db.table(tableName);
  if (!existing && existing.error().kind() != ErrorKind::NotFound) return existing.error();
  auto csv = CsvSource::open(csvPath);
  if (!csv) return inCsv(csvPath, csv.error());
  if (existing) {
    auto rows = insertRecords(*existing, *csv, std::nullopt);
    if (!rows) return inCsv(csvPath, rows.error());
    return imported(*rows, existing->schema().name);
  }
  uint64_t records = 0;
  auto spec = guessTable(*csv, tableName, db.format(), records);
  if (!spec) return inCsv(csvPath, spec.error());
  // The engine judges the names of the table and its columns.
  auto created = db.createTable(*spec);
  if (!created) return created.error();
  auto rows = insertRecords(*created, *csv, records);
  if (!rows) return inCsv(csvPath, rows.error());
  return "created table " + created->schema().name + " (" + describe(created->schema()) + ")\n" +
         imported(*rows, created->schema().name);
}

}  // namespace

int runImport(const Arguments& args, CommandIo io) {
  const std::string& tableName = args.positional[1];
  const std::string& csvPath = args.positional[2];
  auto db = openDatabase(args, io, /*writable=*/true);
  if (!db) return kExitFailed;
  if (db->isReadOnly()) return fail(Error(ErrorKind::ReadOnly, db->readOnlyReason()), io);
  if (Status s = db->begin(); !s) return fail(s.error(), io);
  auto summary = importRows(*db, tableName, csvPath);
  if (!summary) {
    db->rollback();
    return fail(summary.error(), io);
  }
  if (Status s = db->commit(); !s) return fail(s.error(), io);
  io.out << *summary;
  return kExitOk;
}

}  // namespace ledgerfen::cli
