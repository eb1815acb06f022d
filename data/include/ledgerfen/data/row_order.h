// Background work over a table that the grid shows: where every 256th row
// of a scan is (so that a jump to any position reads at most 256 rows), and
// the rows in the order of one column. Each function opens the table on a
// reader of its own (background_reader.h), works in pieces of a few
// thousand rows, each under the record set's read pass, and gives up, with
// kStoppedMessage, once `stop` is requested.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include "ledgerfen/data/background_reader.h"
#include "ledgerfen/database.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

// What a piece of background work is told and tells.
struct WorkControl {
  std::stop_token stop;
  std::function<void(double)> progress;  // done so far, 0 to 1; may be empty
};

// The error of work given up on request.
inline constexpr const char* kStoppedMessage = "the work was stopped";
bool wasStopped(const Error& error);

// Rows read in one piece of work, under one read pass.
inline constexpr int kPieceRows = 4096;

// A stretch of a scan's positions: the ids of the rows at `first`,
// `first + stride`, `first + 2 * stride`, ...
struct PositionMarks {
  int64_t first = 0;
  std::vector<RowId> ids;
  // The number of rows, once the end was reached.
  std::optional<int64_t> total;
};

// Reads the ids of the table's rows as a scan gives them, leaving out
// `excluded` (the rows a record set added itself, which it shows at the
// end), and hands over the id of every `stride`-th row, a stretch at a time,
// the last with the count.
Status gatherPositions(const ReaderSource& source, const std::set<RowId>& excluded, int64_t stride,
                       const WorkControl& control, const std::function<void(PositionMarks)>& deliver);

enum class SortDirection { Ascending, Descending };

// The index that orders the column: one whose first column it is, a
// single-column one first, then one of the same direction. Null when none.
const Index* sortIndexFor(const TableSchema& schema, size_t column, SortDirection direction);

// Whether the rows of the index in its own order, as they come, are the rows
// sorted by the column in `direction` (so the first of them can be shown
// before the rest are read): the index runs that way and lists every row.
bool indexGivesOrderDirectly(const TableSchema& schema, const Index& index, size_t column, SortDirection direction);

// Every row of the table ordered by the column: through the index
// sortIndexFor gives when there is one, else by the column's sort keys
// (sort_key.h), which need about 40 bytes a row whatever the values' size.
// Rows with equal values keep the index's order or the table's. Descending
// is ascending reversed: NULL comes last.
Result<std::vector<RowId>> sortedRows(const ReaderSource& source, size_t column, SortDirection direction,
                                      const WorkControl& control);

// The same ordered by sort keys only, without an index (what sortedRows
// does for a column without one).
Result<std::vector<RowId>> sortedRowsByKeys(const ReaderSource& source, size_t column, SortDirection direction,
                                            const WorkControl& control);

}  // namespace ledgerfen::data
