// The rows an index lists within a key range, in index order.
#pragma once

#include <optional>
#include <string>

#include "index/index_tree.h"
#include "table/row_reader.h"

namespace ledgerfen::table {

class IndexRowSource {
 public:
  // Rows from `start` on while their keys satisfy `upper` (all when none),
  // decoding the columns whose positions `wanted` lists (all when empty;
  // the caller has checked them).
  IndexRowSource(index::IndexTree::Cursor start, std::optional<index::KeyBound> upper, RowReader reader,
                 std::vector<size_t> wanted, std::string context)
      : entries_(std::move(start)),
        upper_(std::move(upper)),
        reader_(std::move(reader)),
        wanted_(std::move(wanted)),
        context_(std::move(context)) {}

  // The next row, or false at the end of the range.
  Result<bool> next(Row& row);

 private:
  index::IndexTree::Cursor entries_;
  std::optional<index::KeyBound> upper_;
  RowReader reader_;
  std::vector<size_t> wanted_;
  std::string context_;  // "table T, index I", put in front of errors
  bool done_ = false;
};

}  // namespace ledgerfen::table
