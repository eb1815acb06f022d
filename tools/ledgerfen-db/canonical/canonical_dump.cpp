#include "canonical/canonical_dump.h"

#include <charconv>
#include <cmath>

#include "canonical/json.h"
#include "canonical/value_format.h"

namespace ledgerfen::canonical {
namespace {

void appendColumn(std::string& out, const Column& c) {
  out += "{\"name\":";
  appendJsonString(out, c.name);
  out += ",\"type\":";
  appendJsonString(out, isKnownColumnType(c.typeCode) ? columnTypeName(c.type) : "unknown");
  out += ",\"size\":";
  out += std::to_string(c.type == ColumnType::Boolean ? 0 : c.length);
  if (c.type == ColumnType::Numeric) {
    out += ",\"precision\":" + std::to_string(c.precision) + ",\"scale\":" + std::to_string(c.scale);
  }
  out.push_back('}');
}

void appendHex(std::string& out, const ByteString& bytes) {
  constexpr char kHex[] = "0123456789abcdef";
  out += "\"0x";
  for (uint8_t b : bytes) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  out.push_back('"');
}

void appendFloat(std::string& out, double v) {
  if (std::isnan(v)) {
    out += "\"NaN\"";
  } else if (std::isinf(v)) {
    out += v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
  } else {
    appendEcmaNumber(out, v);
  }
}

template <typename Append>
void quoted(std::string& out, Append append) {
  out.push_back('"');
  append();
  out.push_back('"');
}

void appendCell(std::string& out, const Column& c, const Value& v) {
  if (c.type == ColumnType::Complex) return appendJsonString(out, "<complex>");
  if (c.calculated) return appendJsonString(out, "<calculated>");
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          out += "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          out += x ? "true" : "false";
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, int64_t>) {
          char buf[24];
          auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x);
          (void)ec;
          out.append(buf, size_t(end - buf));
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          appendFloat(out, double(x));
        } else if constexpr (std::is_same_v<T, Currency>) {
          quoted(out, [&] {
            appendDecimal(out, x.units < 0, UInt128(x.units < 0 ? -uint64_t(x.units) : uint64_t(x.units)), 4);
          });
        } else if constexpr (std::is_same_v<T, Decimal>) {
          quoted(out, [&] { appendDecimal(out, x.negative, (UInt128(x.high) << 64) | x.low, x.scale); });
        } else if constexpr (std::is_same_v<T, OleDate>) {
          quoted(out, [&] { appendOleDate(out, x.days); });
        } else if constexpr (std::is_same_v<T, ExtendedDate>) {
          quoted(out, [&] { appendExtendedDate(out, x); });
        } else if constexpr (std::is_same_v<T, std::string>) {
          appendJsonString(out, x);
        } else if constexpr (std::is_same_v<T, ByteString>) {
          appendHex(out, x);
        } else if constexpr (std::is_same_v<T, Guid>) {
          quoted(out, [&] { appendGuid(out, x); });
        } else if constexpr (std::is_same_v<T, ComplexKey>) {
          appendJsonString(out, "<complex>");
        }
      },
      v);
}

void appendRowLine(std::string& line, const TableSchema& schema, const Row& row) {
  line += "{\"t\":";
  appendJsonString(line, schema.name);
  line += ",\"r\":[";
  for (size_t i = 0; i < schema.columns.size(); ++i) {
    if (i) line.push_back(',');
    appendCell(line, schema.columns[i], row.values[i]);
  }
  line += "]}\n";
}

Status writeTable(Database& db, const std::string& name, std::ostream& out) {
  LF_ASSIGN_OR_RETURN(Table table, db.table(name));
  const TableSchema& schema = table.schema();
  // The row count comes first, so the rows are read twice: once counted, once printed.
  LF_ASSIGN_OR_RETURN(uint64_t rows, table.countRows(ScanOrder::Storage));

  std::string line = "{\"table\":";
  appendJsonString(line, name);
  line += ",\"columns\":[";
  for (size_t i = 0; i < schema.columns.size(); ++i) {
    if (i) line.push_back(',');
    appendColumn(line, schema.columns[i]);
  }
  line += "],\"rows\":" + std::to_string(rows) + "}\n";
  out << line;

  LF_ASSIGN_OR_RETURN(RowCursor cursor, table.scan(ScanOrder::Storage));
  // Rows are written in blocks of lines; the lines read before an error are
  // still written.
  constexpr size_t kBlock = 64 * 1024;
  line.clear();
  Row row;
  uint64_t printed = 0;
  while (true) {
    Result<bool> more = cursor.next(row);
    if (!more || !*more || line.size() >= kBlock) {
      out.write(line.data(), std::streamsize(line.size()));
      line.clear();
    }
    if (!more) return more.error();
    if (!*more) break;
    appendRowLine(line, schema, row);
    ++printed;
  }
  if (printed != rows) {
    return Error(ErrorKind::Corrupt, db.path() + ": table " + name + " changed while it was read");
  }
  return okStatus();
}

}  // namespace

std::string rowLine(const TableSchema& schema, const Row& row) {
  std::string line;
  appendRowLine(line, schema, row);
  return line;
}

Status writeCanonicalDump(Database& db, std::ostream& out) {
  LF_ASSIGN_OR_RETURN(std::vector<std::string> tables, db.userTableNames());
  std::string line = "{\"format\":";
  appendJsonString(line, fileFormatName(db.format()));
  line += ",\"tables\":[";
  for (size_t i = 0; i < tables.size(); ++i) {
    if (i) line.push_back(',');
    appendJsonString(line, tables[i]);
  }
  line += "]}\n";
  out << line;
  for (const std::string& name : tables) LF_RETURN_IF_ERROR(writeTable(db, name, out));
  out.flush();
  if (!out) return Error(ErrorKind::Io, "could not write the dump");
  return okStatus();
}

}  // namespace ledgerfen::canonical
