// A grid reader over rows held in memory, standing for the editor's grid:
// it counts what the exports ask of it and can fail where a test says.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ledgerfen/export/grid_reader.h"

namespace ledgerfen::test {

struct TableData {
  using Rows = std::vector<std::vector<std::optional<std::string>>>;  // nullopt: NULL

  TableData() = default;
  TableData(std::vector<std::string> columns, Rows rows, std::vector<exporting::ColumnKind> kinds = {})
      : columns(std::move(columns)), rows(std::move(rows)), kinds(std::move(kinds)) {}

  std::vector<std::string> columns;
  Rows rows;
  std::vector<exporting::ColumnKind> kinds;  // Text for a column without one
};

// A table described in JSON: {"columns": [...], "rows": [[text or null, ...], ...]}.
TableData tableFromJson(const std::string& json);

class TableGrid final : public exporting::GridReader {
 public:
  explicit TableGrid(TableData data) : data_(std::move(data)) {}

  int columnCount() const override;
  std::string columnCaption(int column) const override;
  exporting::ColumnKind columnKind(int column) const override;
  int64_t rowCount() const override { return int64_t(data_.rows.size()); }
  Status goToRow(int64_t row) override;
  Result<std::string> cellText(int column) override;

  int64_t currentRow() const { return current_; }
  void setCurrentRow(int64_t row) { current_ = row; }

  // Reads made so far.
  mutable int columnCountReads = 0;
  int goToRowCalls = 0;
  int cellTextReads = 0;
  // Failures on demand: going to this row, or reading this cell.
  int64_t failGoingToRow = 0;
  int64_t failCellRow = 0;
  int failCellColumn = -1;
  // Columns the grid reports from this row on (the grid changed its columns).
  int64_t narrowFromRow = 0;
  int narrowTo = 0;

 private:
  TableData data_;
  int64_t current_ = 0;
};

}  // namespace ledgerfen::test
