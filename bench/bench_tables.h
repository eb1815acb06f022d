// The tables the benchmarks fill, and their rows: deterministic content made
// from the row number alone, so two runs make the same file and a reader
// benchmark can be repeated on an identical database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ledgerfen/database.h"
#include "ledgerfen/table_spec.h"
#include "ledgerfen/value.h"

namespace ledgerfen::bench {

// A table of every common type: ID (AutoNumber Long, the primary key), Name
// (Text(50), indexed), Quantity (Long), Price (Double), Amount (Currency),
// Created (Date/Time), Active (Yes/No) and Notes (Memo of 150 to 600
// characters). Name, Quantity, Price, Amount, Created and Notes are NULL in
// some rows.
TableSpec mixedTable(const std::string& name);
std::vector<Value> mixedRow(uint64_t row);

// A table of five Memo columns and nothing else; lengths from a few
// characters to a few thousand, so some memos lie in the row, some on one
// page of their own and some across several. A few are NULL.
TableSpec memoTable(const std::string& name);
std::vector<Value> memoRow(uint64_t row);

struct NewTable {
  std::unique_ptr<Database> db;
  Table table;
};

// Makes a new database at `path` (which must not exist) holding one empty
// table made from `spec`, open for writing. Prints why and exits with 2 on
// failure: the benchmarks have nothing to measure then.
NewTable createDatabaseWithTable(const std::string& path, FileFormat format, const TableSpec& spec);

// Exits with 2 after printing the error, when `s` is one.
void checkOrExit(const Status& s, const std::string& what);

// The largest resident set of this process so far, in MB.
double peakResidentMb();

}  // namespace ledgerfen::bench
