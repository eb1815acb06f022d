// What a table looks like: its columns and indexes, as its definition says.
// Plain data, safe to copy and share between threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ledgerfen/value.h"

namespace ledgerfen {

// Sort orders of text columns. General 97 is Jet3's, General Legacy is Jet4's
// and ACE 2007's, General is ACE 2010's default.
struct SortOrder {
  uint16_t lcid = 0x0409;
  int8_t version = 0;  // -1 General 97, 0 General Legacy, 1 General
  friend bool operator==(const SortOrder&, const SortOrder&) = default;
};

struct Column {
  std::string name;
  ColumnType type = ColumnType::Binary;
  uint8_t typeCode = 0;     // as stored; differs from `type` only for unknown codes
  uint16_t number = 0;      // column number: the null-mask bit, never reused
  uint16_t length = 0;      // bytes (Text: 2 per character in Jet4 and later)
  uint8_t precision = 0;    // Numeric
  uint8_t scale = 0;        // Numeric
  bool fixed = false;       // stored in the fixed area of a row
  bool nullable = true;     // false when the column's Required property is Yes
  bool autoNumber = false;  // Long AutoNumber
  bool guidAutoNumber = false;
  bool hyperlink = false;
  bool compressedUnicode = false;
  bool calculated = false;  // value computed by Access; stored wrapped
  SortOrder sortOrder;      // Text and Memo
  uint16_t codePage = 0;    // Jet3 Text: 0 = the database's
  int32_t complexId = 0;    // Complex
  // The column's DefaultValue property: an expression as Access keeps it
  // ("0", "\"abc\"", "Date()"); empty when it has none. See default_value.h.
  std::string defaultValue;
};

struct IndexColumn {
  uint16_t columnNumber = 0;
  bool ascending = true;
};

struct Index {
  std::string name;
  std::vector<IndexColumn> columns;
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;
  bool primaryKey = false;
  bool foreignKey = false;
  uint32_t realIndex = 0;  // which stored index holds the entries (shared by several logical ones)
};

struct TableSchema {
  std::string name;
  std::vector<Column> columns;  // ascending column number
  std::vector<Index> indexes;   // as stored
  uint32_t definitionPage = 0;
  uint32_t rowCount = 0;  // as kept in the definition; may be stale
  bool systemTable = false;

  const Column* findColumn(std::string_view columnName) const;
  // Position in `columns` of the column with `number`, or -1.
  int positionOfNumber(uint16_t number) const;
};

}  // namespace ledgerfen
