#include "write/new_table.h"

#include <algorithm>
#include <cctype>

#include "text/utf.h"

namespace ledgerfen::write {
namespace {

constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxColumns = 255;
constexpr size_t kMaxIndexes = 32;
constexpr size_t kMaxIndexColumns = 10;

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

Error invalid(const std::string& what) {
  return Error(ErrorKind::InvalidArgument, what);
}

// Bytes a fixed column takes, or 0 for variable ones.
uint16_t fixedLength(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean:
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    case ColumnType::DateTimeExt: return 42;
    default: return 0;
  }
}

Result<Column> columnFor(const ColumnSpec& spec, uint16_t number, FileFormat format, SortOrder textOrder,
                         tdef::ColumnLayout& layout) {
  LF_RETURN_IF_ERROR(checkObjectName(spec.name, "column"));
  const bool jet3 = format == FileFormat::Jet3;
  Column c;
  c.name = spec.name;
  c.type = spec.type;
  c.typeCode = uint8_t(spec.type);
  c.number = number;
  c.fixed = fixedLength(spec.type) != 0;
  c.length = fixedLength(spec.type);
  switch (spec.type) {
    case ColumnType::Text: {
      uint16_t chars = spec.size == 0 ? 255 : spec.size;
      if (chars > 255) return invalid("column " + spec.name + ": text holds at most 255 characters");
      c.length = uint16_t(jet3 ? chars : 2 * chars);
      break;
    }
    case ColumnType::Binary: {
      uint16_t most = jet3 ? 255 : 510;
      if (spec.size > most)
        return invalid("column " + spec.name + ": binary data holds at most " + std::to_string(most) + " bytes");
      c.length = spec.size == 0 ? most : spec.size;
      break;
    }
    case ColumnType::Numeric:
      if (format < FileFormat::Jet4)
        return invalid("column " + spec.name + ": Decimal needs an Access 2000 or later database");
      if (spec.precision < 1 || spec.precision > 28 || spec.scale > spec.precision) {
        return invalid("column " + spec.name +
                       ": a Decimal has 1 to 28 digits, and no more after the point than in all");
      }
      c.precision = spec.precision;
      c.scale = spec.scale;
      break;
    case ColumnType::BigInt:
      if (format < FileFormat::Ace16)
        return invalid("column " + spec.name + ": Large Number needs an Access 2016 or later database");
      break;
    case ColumnType::DateTimeExt:
      if (format < FileFormat::Ace17)
        return invalid("column " + spec.name + ": Date/Time Extended needs an Access 2019 or later database");
      break;
    case ColumnType::Complex:
      return invalid("column " + spec.name + ": attachment and multi-value columns cannot be created here");
    default: break;
  }
  if (spec.autoNumber && spec.type != ColumnType::Long && spec.type != ColumnType::Guid) {
    return invalid("column " + spec.name + ": only Long Integer and Replication ID columns can be AutoNumbers");
  }
  c.autoNumber = spec.autoNumber && spec.type == ColumnType::Long;
  c.guidAutoNumber = spec.autoNumber && spec.type == ColumnType::Guid;
  c.nullable = !spec.required;
  if (spec.type == ColumnType::Text || spec.type == ColumnType::Memo) {
    c.sortOrder = jet3 ? SortOrder{0x0409, -1} : textOrder;
    c.compressedUnicode = !jet3;
  }
  layout.flags =
      uint8_t((c.fixed ? tdef::kColumnFixed : 0) | tdef::kColumnNullable |
              (c.autoNumber ? tdef::kColumnAutoNumber : 0) | (c.guidAutoNumber ? tdef::kColumnGuidAutoNumber : 0));
  layout.extFlags = c.compressedUnicode ? tdef::kColumnExtCompressed : 0;
  return c;
}

}  // namespace

Status checkObjectName(const std::string& name, const char* what) {
  auto bad = [&](const std::string& why) { return invalid("'" + name + "' is not a valid " + what + " name: " + why); };
  size_t length = text::utf8ToUtf16(name).size();
  if (length == 0) return invalid(std::string("a ") + what + " needs a name");
  if (length > kMaxNameLength) return bad("it is longer than 64 characters");
  if (name.front() == ' ') return bad("it begins with a blank");
  for (char ch : name) {
    if (static_cast<unsigned char>(ch) < 0x20) return bad("it holds a control character");
    if (std::string_view(".!`[]").find(ch) != std::string_view::npos) {
      return bad(std::string("it holds the character ") + ch);
    }
  }
  return okStatus();
}

Result<tdef::TableDefinition> definitionFor(const TableSpec& spec, FileFormat format, SortOrder textOrder) {
  LF_RETURN_IF_ERROR(checkObjectName(spec.name, "table"));
  if (equalNoCase(spec.name.substr(0, 4), "MSys") || spec.name.front() == '~') {
    return invalid("'" + spec.name +
                   "' is not a valid table name: names beginning with MSys or ~ are kept for the system");
  }
  if (spec.columns.empty() || spec.columns.size() > kMaxColumns) {
    return invalid("table " + spec.name + ": a table has 1 to 255 columns");
  }
  tdef::TableDefinition def;
  def.schema.name = spec.name;
  def.layout.resize(spec.columns.size());
  for (size_t i = 0; i < spec.columns.size(); ++i) {
    for (size_t k = 0; k < i; ++k) {
      if (equalNoCase(spec.columns[k].name, spec.columns[i].name)) {
        return invalid("table " + spec.name + ": two columns are named " + spec.columns[i].name);
      }
    }
    LF_ASSIGN_OR_RETURN(Column c, columnFor(spec.columns[i], uint16_t(i), format, textOrder, def.layout[i]));
    def.schema.columns.push_back(std::move(c));
  }

  if (spec.indexes.size() > kMaxIndexes) return invalid("table " + spec.name + ": a table has at most 32 indexes");
  bool primary = false;
  for (size_t i = 0; i < spec.indexes.size(); ++i) {
    const IndexSpec& is = spec.indexes[i];
    LF_RETURN_IF_ERROR(checkObjectName(is.name, "index"));
    for (size_t k = 0; k < i; ++k) {
      if (equalNoCase(spec.indexes[k].name, is.name))
        return invalid("table " + spec.name + ": two indexes are named " + is.name);
    }
    if (is.primaryKey && primary) return invalid("table " + spec.name + ": a table has one primary key at most");
    primary |= is.primaryKey;
    if (is.columns.empty() || is.columns.size() > kMaxIndexColumns) {
      return invalid("index " + is.name + ": an index covers 1 to 10 columns");
    }
    tdef::RealIndex real;
    for (const IndexColumnSpec& column : is.columns) {
      auto it = std::find_if(def.schema.columns.begin(), def.schema.columns.end(),
                             [&](const Column& c) { return equalNoCase(c.name, column.column); });
      if (it == def.schema.columns.end()) return invalid("index " + is.name + ": there is no column " + column.column);
      if (it->type == ColumnType::Ole) return invalid("index " + is.name + ": OLE objects cannot be indexed");
      real.columns.push_back(IndexColumn{it->number, column.ascending});
    }
    const bool unique = is.primaryKey || is.unique;
    real.flags = uint8_t((unique ? tdef::kIndexUnique : 0) | (is.ignoreNulls ? tdef::kIndexIgnoreNulls : 0) |
                         (is.primaryKey ? tdef::kIndexRequired : 0) | (format == FileFormat::Jet3 ? 0 : 0x80));
    Index logical;
    logical.name = is.name;
    logical.columns = real.columns;
    logical.unique = unique;
    logical.ignoreNulls = is.ignoreNulls;
    logical.required = is.primaryKey;
    logical.primaryKey = is.primaryKey;
    logical.realIndex = uint32_t(def.realIndexes.size());
    def.realIndexes.push_back(std::move(real));
    def.schema.indexes.push_back(std::move(logical));
    def.logicalNumbers.push_back(uint32_t(i));
  }
  return def;
}

}  // namespace ledgerfen::write
