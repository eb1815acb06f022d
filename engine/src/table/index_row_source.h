// The rows an index lists within a key range, in index order.
#pragma once

#include <optional>
#include <string>

#include "index/index_tree.h"
#include "table/row_fetcher.h"

namespace ledgerfen::table {

class IndexRowSource {
 public:
  // Rows from `start` on while their keys satisfy `upper` (all when none).
  IndexRowSource(index::IndexTree::Cursor start, std::optional<index::KeyBound> upper, RowFetcher fetcher,
                 std::string context)
      : entries_(std::move(start)),
        upper_(std::move(upper)),
        fetcher_(std::move(fetcher)),
        context_(std::move(context)) {}

  // The next row, or false at the end of the range.
  Result<bool> next(Row& row);

 private:
  index::IndexTree::Cursor entries_;
  std::optional<index::KeyBound> upper_;
  RowFetcher fetcher_;
  std::string context_;  // "table T, index I", put in front of errors
  bool done_ = false;
};

}  // namespace ledgerfen::table
