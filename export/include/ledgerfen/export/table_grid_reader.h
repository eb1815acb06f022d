// A grid reader over a table of an open database, for exports made without
// the window (ledgerfen-db export). It reads as the editor's grid shows the
// table: one column per field in the table's column order, captioned with
// the field's name and of the kind of the field's type (columnKindOf); one
// row per record in the order a scan gives them; each cell the text
// data::cellText gives, as the grid shows it. So an export through it writes
// the same bytes as one from the window.
//
// Rows are read forward through one scan; going back to an earlier row
// starts the scan again. The reader shares the table's open database. One
// thread at a time.
#pragma once

#include <memory>
#include <optional>

#include "ledgerfen/database.h"
#include "ledgerfen/export/grid_reader.h"

namespace ledgerfen::exporting {

class TableGridReader final : public GridReader {
 public:
  // Counts the table's rows; fails when the table cannot be read.
  static Result<std::unique_ptr<TableGridReader>> open(Table table);

  int columnCount() const override;
  std::string columnCaption(int column) const override;
  // The kind of the field's type (columnKindOf).
  ColumnKind columnKind(int column) const override;
  int64_t rowCount() const override { return rowCount_; }
  Status goToRow(int64_t row) override;
  Result<std::string> cellText(int column) override;

 private:
  TableGridReader(Table table, int64_t rowCount) : table_(std::move(table)), rowCount_(rowCount) {}

  Table table_;
  int64_t rowCount_;
  std::optional<RowCursor> cursor_;
  int64_t position_ = 0;  // the row in `row_`; 0 before the first
  Row row_;
};

}  // namespace ledgerfen::exporting
