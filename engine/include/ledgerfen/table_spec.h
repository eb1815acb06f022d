// What a new table is to be: its columns and indexes, for
// Database::createTable. Plain data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ledgerfen/value.h"

namespace ledgerfen {

struct ColumnSpec {
  std::string name;
  ColumnType type = ColumnType::Text;
  // Text: characters (1-255, default 255); Binary: bytes (default the largest).
  uint16_t size = 0;
  uint8_t precision = 18;  // Decimal: digits in all (1-28)
  uint8_t scale = 0;       // Decimal: digits after the point
  bool required = false;   // NULL is refused
  // Long: numbered by the engine on insert; Replication ID: a random GUID.
  bool autoNumber = false;
};

struct IndexColumnSpec {
  std::string column;
  bool ascending = true;
};

struct IndexSpec {
  std::string name;
  std::vector<IndexColumnSpec> columns;  // 1 to 10
  bool primaryKey = false;               // unique, and no column may be NULL
  bool unique = false;
  bool ignoreNulls = false;  // rows whose columns are all NULL are left out
};

struct TableSpec {
  std::string name;
  std::vector<ColumnSpec> columns;  // 1 to 255
  std::vector<IndexSpec> indexes;
};

}  // namespace ledgerfen
