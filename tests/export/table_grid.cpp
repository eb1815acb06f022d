#include "table_grid.h"

#include <nlohmann/json.hpp>

namespace ledgerfen::test {

TableData tableFromJson(const std::string& json) {
  const auto j = nlohmann::json::parse(json);
  TableData data;
  for (const auto& c : j.at("columns")) data.columns.push_back(c.get<std::string>());
  for (const auto& r : j.at("rows")) {
    std::vector<std::optional<std::string>> row;
    for (const auto& cell : r) row.push_back(cell.is_null() ? std::nullopt : std::optional(cell.get<std::string>()));
    data.rows.push_back(std::move(row));
  }
  return data;
}

int TableGrid::columnCount() const {
  ++columnCountReads;
  if (narrowFromRow > 0 && current_ >= narrowFromRow) return narrowTo;
  return int(data_.columns.size());
}

std::string TableGrid::columnCaption(int column) const {
  return data_.columns.at(size_t(column));
}

exporting::ColumnKind TableGrid::columnKind(int column) const {
  if (column < 0 || size_t(column) >= data_.kinds.size()) return exporting::ColumnKind::Text;
  return data_.kinds[size_t(column)];
}

Status TableGrid::goToRow(int64_t row) {
  ++goToRowCalls;
  if (row == failGoingToRow) return Error(ErrorKind::Io, "The grid cannot go to row " + std::to_string(row) + ".");
  if (row < 1 || row > rowCount()) return Error(ErrorKind::InvalidArgument, "no row " + std::to_string(row));
  current_ = row;
  return okStatus();
}

Result<std::string> TableGrid::cellText(int column) {
  ++cellTextReads;
  if (current_ == failCellRow && column == failCellColumn) return Error(ErrorKind::Io, "The cell cannot be read.");
  if (current_ < 1) return Error(ErrorKind::InvalidArgument, "no current row");
  const auto& cell = data_.rows.at(size_t(current_ - 1)).at(size_t(column));
  return cell.value_or("");
}

}  // namespace ledgerfen::test
