// The grid's Find: the next cell, after a given one, whose text (as the grid
// shows it) holds the text searched for, going along the row, then down the
// rows of the grid's order, and from the top again after the last row; the
// cell it started from comes last. Found in the background on a reader of
// its own (background_reader.h).
//
// Placeholders (binary data, OLE objects, attachments) are not searched.
// Columns whose values are numbers, dates, Yes/No or GUIDs are skipped when
// the text holds a character their texts never do, which spares formatting
// every number of a large table for a word.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ledgerfen/data/background_reader.h"
#include "ledgerfen/data/row_order.h"
#include "ledgerfen/database.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

struct SearchQuery {
  std::string text;
  std::optional<size_t> column;  // one column, or all
  bool matchCase = false;
  bool wholeCell = false;  // the cell's text is the text, not only holds it
  friend bool operator==(const SearchQuery&, const SearchQuery&) = default;
};

// Which cells of a row match.
class CellMatcher {
 public:
  CellMatcher(const TableSchema& schema, SearchQuery query);

  // The columns that can match, ascending; empty when none can.
  const std::vector<size_t>& columns() const { return columns_; }
  // The first column from `from` on whose cell matches.
  std::optional<size_t> firstMatch(const std::vector<Value>& values, size_t from = 0) const;
  // The first matching column before `before`.
  std::optional<size_t> firstMatchBefore(const std::vector<Value>& values, size_t before) const;
  bool matches(const std::vector<Value>& values) const { return firstMatch(values).has_value(); }

 private:
  bool cellMatches(size_t column, const Value& value) const;

  std::vector<Column> definitions_;
  SearchQuery query_;
  std::string needle_;
  std::vector<size_t> columns_;
};

// Where a search found its cell; `wrapped` when it went past the last row
// to the top to get there.
struct SearchHit {
  int64_t row = 0;
  size_t column = 0;
  bool wrapped = false;
};

// The grid's rows when they are the table's own order: the rows of a scan,
// without those the record set added itself, then those in the order added.
struct TableOrderRows {
  int64_t baseRows = 0;        // rows of the scan (the record set's base count)
  std::vector<RowId> added;    // rows after them
  std::optional<RowId> start;  // id of the row the search starts from
};

// The next match after the cell (`row`, `column`) in table order; nullopt
// when no cell matches. `column` may be -1: the row's first cell counts too.
Result<std::optional<SearchHit>> searchTableOrder(const ReaderSource& source, const SearchQuery& query,
                                                  const TableOrderRows& rows, int64_t row, int column,
                                                  const WorkControl& control);

// The rows that hold a match anywhere, ascending: kept by the grid between
// searches for the same text while the file is unchanged.
using MatchingRows = std::shared_ptr<const std::vector<RowId>>;

// The next match after the cell (`row`, `column`) of a grid whose rows are
// `order` (a sorted or filtered order). The rows just after the start are
// read one by one; when none of the first few thousand matches, the table
// is read through once for the rows that match, kept in `matching` (and
// taken from it, when given) for the next search.
Result<std::optional<SearchHit>> searchRowList(const ReaderSource& source, const SearchQuery& query,
                                               const std::vector<RowId>& order, int64_t row, int column,
                                               MatchingRows& matching, const WorkControl& control);

}  // namespace ledgerfen::data
