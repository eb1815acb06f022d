#include "ledgerfen/export/table_grid_reader.h"

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/export/column_kind.h"

namespace ledgerfen::exporting {

Result<std::unique_ptr<TableGridReader>> TableGridReader::open(Table table) {
  LF_ASSIGN_OR_RETURN(const uint64_t rows, table.countRows());
  return std::unique_ptr<TableGridReader>(new TableGridReader(std::move(table), int64_t(rows)));
}

int TableGridReader::columnCount() const {
  return int(table_.schema().columns.size());
}

std::string TableGridReader::columnCaption(int column) const {
  const auto& columns = table_.schema().columns;
  if (column < 0 || size_t(column) >= columns.size()) return {};
  return columns[size_t(column)].name;
}

ColumnKind TableGridReader::columnKind(int column) const {
  const auto& columns = table_.schema().columns;
  if (column < 0 || size_t(column) >= columns.size()) return ColumnKind::Text;
  return columnKindOf(columns[size_t(column)]);
}

Status TableGridReader::goToRow(int64_t row) {
  if (row < 1 || row > rowCount_) {
    return Error(ErrorKind::InvalidArgument, "table " + table_.schema().name + " has no row " + std::to_string(row));
  }
  if (!cursor_ || row < position_) {
    LF_ASSIGN_OR_RETURN(RowCursor cursor, table_.scan());
    cursor_.emplace(std::move(cursor));
    position_ = 0;
  }
  while (position_ < row) {
    LF_ASSIGN_OR_RETURN(const bool more, cursor_->next(row_));
    if (!more) {
      cursor_.reset();
      return Error(ErrorKind::Corrupt, "table " + table_.schema().name + " ended before row " + std::to_string(row));
    }
    ++position_;
  }
  return okStatus();
}

Result<std::string> TableGridReader::cellText(int column) {
  const auto& columns = table_.schema().columns;
  if (position_ == 0) return Error(ErrorKind::InvalidArgument, "there is no current row");
  if (column < 0 || size_t(column) >= columns.size() || size_t(column) >= row_.values.size()) {
    return Error(ErrorKind::InvalidArgument, "there is no column " + std::to_string(column));
  }
  return data::cellText(columns[size_t(column)], row_.values[size_t(column)]);
}

}  // namespace ledgerfen::exporting
