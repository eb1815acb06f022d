// What the exports read from the editor's grid: exactly what it shows, in
// its column and row order. Reading moves the grid's current row, so after
// a pass over every row the current row is the last one.
//
// Implemented by the editor's grid; exporters and their tests use it without
// a screen. Used by one thread at a time.
//
// Each column also says what kind of value its texts stand for, so that a
// spreadsheet can hold a number column's texts as numbers. A grid that does
// not know says Text.
#pragma once

#include <cstdint>
#include <string>

#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

// What a column's cell texts stand for (column_kind.h gives the kind of a
// table's column).
enum class ColumnKind {
  Text,      // text, and everything shown only as text
  Number,    // whole and decimal numbers, "-12", "3.5", "1e+20"
  Currency,  // amounts of money, "1234.50"
  DateTime,  // "2024-03-01", "2024-03-01 14:05:09", with ".123" for milliseconds
  YesNo,     // "Yes" or "No"
};

class GridReader {
 public:
  virtual ~GridReader() = default;

  virtual int columnCount() const = 0;
  // The caption of column `column` (0-based): the field name.
  virtual std::string columnCaption(int column) const = 0;
  // What the texts of column `column` (0-based) stand for; Text unless the
  // grid knows better.
  virtual ColumnKind columnKind(int column) const {
    (void)column;
    return ColumnKind::Text;
  }
  // The records behind the grid, without the empty line for new rows.
  virtual int64_t rowCount() const = 0;
  // Makes record `row` (1-based, 1 to rowCount()) the current row.
  virtual Status goToRow(int64_t row) = 0;
  // The text the grid shows for column `column` of the current row (UTF-8);
  // empty for NULL.
  virtual Result<std::string> cellText(int column) = 0;
};

}  // namespace ledgerfen::exporting
