#include "ledgerfen/data/rowset.h"

#include <algorithm>

namespace ledgerfen::data {

Rowset::Rowset(std::vector<std::string> columns, std::vector<Row> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

void Rowset::moveNext() {
  if (!eof()) ++position_;
}

Result<Rowset::Field> Rowset::field(std::string_view column) const {
  auto it = std::find(columns_.begin(), columns_.end(), column);
  if (it == columns_.end()) {
    return Error(ErrorKind::NotFound, "the rowset has no column named \"" + std::string(column) + "\"");
  }
  if (eof()) return Error(ErrorKind::InvalidArgument, "the rowset has no current row");
  const Row& row = rows_[position_];
  size_t index = static_cast<size_t>(it - columns_.begin());
  return index < row.size() ? row[index] : Field();
}

void Rowset::close() {
  closed_ = true;
  rows_.clear();
}

}  // namespace ledgerfen::data
