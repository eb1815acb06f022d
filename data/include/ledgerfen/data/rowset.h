// A read-only, forward-only set of rows of text fields, as a schema query
// gives it: one cursor over rows held in memory, fields looked up by column
// name. Absent values (Null) read as std::nullopt. Plain value; one thread at
// a time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledgerfen/status.h"

namespace ledgerfen::data {

class Rowset {
 public:
  using Field = std::optional<std::string>;
  using Row = std::vector<Field>;

  Rowset(std::vector<std::string> columns, std::vector<Row> rows);

  // True when there is no current row: past the last row, or closed.
  bool eof() const { return closed_ || position_ >= rows_.size(); }
  void moveNext();
  // The value of the named column (exact name) in the current row.
  Result<Field> field(std::string_view column) const;
  void close();

  const std::vector<std::string>& columns() const { return columns_; }

 private:
  std::vector<std::string> columns_;
  std::vector<Row> rows_;
  size_t position_ = 0;
  bool closed_ = false;
};

}  // namespace ledgerfen::data
