#include "commands/table_description.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace ledgerfen::cli {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

const std::map<std::string, ColumnType> kTypes = {
    {"yes/no", ColumnType::Boolean},
    {"boolean", ColumnType::Boolean},
    {"byte", ColumnType::Byte},
    {"integer", ColumnType::Integer},
    {"long", ColumnType::Long},
    {"currency", ColumnType::Currency},
    {"single", ColumnType::Single},
    {"double", ColumnType::Double},
    {"datetime", ColumnType::DateTime},
    {"binary", ColumnType::Binary},
    {"text", ColumnType::Text},
    {"ole", ColumnType::Ole},
    {"memo", ColumnType::Memo},
    {"guid", ColumnType::Guid},
    {"decimal", ColumnType::Numeric},
    {"bigint", ColumnType::BigInt},
    {"datetimeext", ColumnType::DateTimeExt},
};

Error bad(const std::string& what) {
  return Error(ErrorKind::InvalidArgument, what);
}

// "text(50)" -> type and size; "decimal(12,2)" -> precision and scale.
Status parseType(const std::string& word, ColumnSpec& column) {
  std::string name = lower(word), arguments;
  if (size_t open = name.find('('); open != std::string::npos) {
    if (name.back() != ')') return bad("column " + column.name + ": " + word + " lacks its closing parenthesis");
    arguments = name.substr(open + 1, name.size() - open - 2);
    name = name.substr(0, open);
  }
  auto type = kTypes.find(name);
  if (type == kTypes.end()) return bad("column " + column.name + ": unknown type " + word);
  column.type = type->second;
  if (arguments.empty()) return okStatus();
  try {
    size_t comma = arguments.find(',');
    int first = std::stoi(arguments.substr(0, comma));
    if (first < 0 || first > 65535) throw std::out_of_range("size");
    if (column.type == ColumnType::Numeric) {
      column.precision = uint8_t(first);
      column.scale = comma == std::string::npos ? 0 : uint8_t(std::stoi(arguments.substr(comma + 1)));
    } else {
      column.size = uint16_t(first);
    }
  } catch (const std::exception&) {
    return bad("column " + column.name + ": " + word + " has an unreadable size");
  }
  return okStatus();
}

}  // namespace

Result<TableSpec> parseTableDescription(const std::string& table, const std::vector<std::string>& columns,
                                        const std::vector<std::string>& indexes) {
  TableSpec spec;
  spec.name = table;
  for (const std::string& description : columns) {
    std::istringstream words(description);
    ColumnSpec column;
    std::string type;
    if (!(words >> column.name >> type)) return bad("a column needs a name and a type: \"" + description + "\"");
    LF_RETURN_IF_ERROR(parseType(type, column));
    for (std::string word; words >> word;) {
      word = lower(word);
      if (word == "required") {
        column.required = true;
      } else if (word == "autonumber") {
        column.autoNumber = true;
      } else if (word == "primary" || word == "unique") {
        IndexSpec index;
        index.name = word == "primary" ? "PrimaryKey" : column.name;
        index.columns = {{column.name, true}};
        index.primaryKey = word == "primary";
        index.unique = true;
        spec.indexes.push_back(index);
      } else {
        return bad("column " + column.name + ": unknown word " + word);
      }
    }
    spec.columns.push_back(column);
  }
  for (const std::string& description : indexes) {
    size_t colon = description.find(':');
    if (colon == std::string::npos) return bad("an index is written NAME: COLUMN, COLUMN: \"" + description + "\"");
    IndexSpec index;
    index.name = trim(description.substr(0, colon));
    std::stringstream list(description.substr(colon + 1));
    for (std::string item; std::getline(list, item, ',');) {
      std::istringstream words(item);
      IndexColumnSpec column;
      if (!(words >> column.column)) continue;
      for (std::string word; words >> word;) {
        word = lower(word);
        if (word == "desc") {
          column.ascending = false;
        } else if (word == "asc") {
          column.ascending = true;
        } else if (word == "unique") {
          index.unique = true;
        } else if (word == "ignore-nulls") {
          index.ignoreNulls = true;
        } else {
          return bad("index " + index.name + ": unknown word " + word);
        }
      }
      index.columns.push_back(column);
    }
    spec.indexes.push_back(index);
  }
  return spec;
}

}  // namespace ledgerfen::cli
