#include "ledgerfen/data/row_search.h"

#include <algorithm>
#include <functional>
#include <set>

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/data/sort_key.h"
#include "resumable_scan.h"

namespace ledgerfen::data {
namespace {

// Rows of a sorted or filtered order read one by one before the table is
// read through instead.
constexpr int64_t kRowsReadSingly = 4096;
// Rows read singly under one read pass.
constexpr int kSinglyPerPiece = 256;

// The characters the texts of a column's values can hold; empty when any.
std::string_view charactersOf(const Column& c) {
  switch (c.type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::BigInt: return "-0123456789";
    case ColumnType::Currency:
    case ColumnType::Numeric: return "-.0123456789";
    case ColumnType::Single:
    case ColumnType::Double: return "-+.0123456789eEnNaAiIfFtTyY";
    case ColumnType::DateTime:
    case ColumnType::DateTimeExt: return "-:. 0123456789";
    case ColumnType::Boolean: return "yYeEsSnNoO";
    case ColumnType::Guid: return "{}-0123456789abcdefABCDEF";
    default: return {};
  }
}

bool isSearchable(const Column& c) {
  return c.type != ColumnType::Binary && c.type != ColumnType::Ole && c.type != ColumnType::Complex &&
         isKnownColumnType(c.typeCode);
}

// Reads one row under a read pass of its own piece; nullopt when it is gone.
class SingleRows {
 public:
  explicit SingleRows(TableReader& reader) : reader_(reader) {}

  Result<std::optional<Row>> read(RowId id) {
    if (!pass_ || ++readInPiece_ >= kSinglyPerPiece) {
      pass_.reset();
      pass_.emplace(*reader_.source().gate);
      readInPiece_ = 0;
      LF_RETURN_IF_ERROR(reader_.refresh());
    }
    auto row = reader_.table().readRow(id);
    if (!row) {
      if (row.error().kind() == ErrorKind::NotFound) return std::optional<Row>();
      return row.error();
    }
    return std::optional<Row>(std::move(*row));
  }
  // Lets a waiting write go first.
  void endPiece() { pass_.reset(); }

 private:
  TableReader& reader_;
  std::optional<WriteGate::ReadPass> pass_;
  int readInPiece_ = 0;
};

}  // namespace

CellMatcher::CellMatcher(const TableSchema& schema, SearchQuery query)
    : definitions_(schema.columns), query_(std::move(query)) {
  needle_ = query_.matchCase ? query_.text : foldCase(query_.text);
  if (needle_.empty()) return;
  for (size_t c = 0; c < definitions_.size(); ++c) {
    if (query_.column && *query_.column != c) continue;
    if (!isSearchable(definitions_[c])) continue;
    const std::string_view allowed = charactersOf(definitions_[c]);
    if (!allowed.empty() && needle_.find_first_not_of(allowed) != std::string::npos) continue;
    columns_.push_back(c);
  }
}

bool CellMatcher::cellMatches(size_t column, const Value& value) const {
  if (isNull(value) || column >= definitions_.size()) return false;
  std::string text = cellText(definitions_[column], value);
  if (!query_.matchCase) text = foldCase(text);
  return query_.wholeCell ? text == needle_ : text.find(needle_) != std::string::npos;
}

std::optional<size_t> CellMatcher::firstMatch(const std::vector<Value>& values, size_t from) const {
  for (size_t c : columns_) {
    if (c >= from && c < values.size() && cellMatches(c, values[c])) return c;
  }
  return std::nullopt;
}

std::optional<size_t> CellMatcher::firstMatchBefore(const std::vector<Value>& values, size_t before) const {
  for (size_t c : columns_) {
    if (c >= before) break;
    if (c < values.size() && cellMatches(c, values[c])) return c;
  }
  return std::nullopt;
}

Result<std::optional<SearchHit>> searchTableOrder(const ReaderSource& source, const SearchQuery& query,
                                                  const TableOrderRows& rows, int64_t row, int column,
                                                  const WorkControl& control) {
  using Found = std::optional<SearchHit>;
  LF_ASSIGN_OR_RETURN(TableReader reader, TableReader::open(source));
  const CellMatcher matcher(reader.schema(), query);
  const int64_t total = rows.baseRows + int64_t(rows.added.size());
  if (matcher.columns().empty() || total == 0 || row < 0 || row >= total) return Found();
  const std::set<RowId> added(rows.added.begin(), rows.added.end());
  const bool startIsBase = row < rows.baseRows;
  const size_t after = size_t(column + 1);
  int64_t visited = 0;
  bool wrapped = false;

  // The rows of the scan from `from` (the first when none), numbered from
  // `first`, before position `end`.
  const auto searchBase = [&](std::optional<RowId> from, int64_t first, int64_t end) -> Result<Found> {
    if (first >= end) return Found();
    ResumableScan scan(reader, matcher.columns(), from);
    int64_t position = first;
    Found found;
    LF_RETURN_IF_ERROR(scan.readInPieces(
        control, true,
        [&](const Row& scanned) {
          if (added.count(scanned.id)) return true;
          const size_t fromColumn = position == row && !wrapped ? after : 0;
          if (auto hit = matcher.firstMatch(scanned.values, fromColumn)) {
            found = SearchHit{position, *hit, wrapped};
            return false;
          }
          ++visited;
          return ++position < end;
        },
        [&](bool) { reportProgress(control, double(visited) / double(total)); }));
    return found;
  };
  SingleRows single(reader);
  // The added rows from index `first` to `end`.
  const auto searchAdded = [&](size_t first, size_t end) -> Result<Found> {
    for (size_t i = first; i < end && i < rows.added.size(); ++i) {
      if (control.stop.stop_requested()) return stoppedError();
      const int64_t position = rows.baseRows + int64_t(i);
      LF_ASSIGN_OR_RETURN(std::optional<Row> read, single.read(rows.added[i]));
      if (!read) continue;
      const size_t fromColumn = position == row && !wrapped ? after : 0;
      if (auto hit = matcher.firstMatch(read->values, fromColumn)) return Found(SearchHit{position, *hit, wrapped});
    }
    single.endPiece();
    return Found();
  };

  Found found;
  if (startIsBase) {
    if (!rows.start) return Error(ErrorKind::InvalidArgument, "the search needs the id of the row it starts from");
    LF_ASSIGN_OR_RETURN(found, searchBase(rows.start, row, rows.baseRows));
    if (found) return found;
    LF_ASSIGN_OR_RETURN(found, searchAdded(0, rows.added.size()));
    if (found) return found;
    wrapped = true;
    LF_ASSIGN_OR_RETURN(found, searchBase(std::nullopt, 0, row));
  } else {
    LF_ASSIGN_OR_RETURN(found, searchAdded(size_t(row - rows.baseRows), rows.added.size()));
    if (found) return found;
    wrapped = true;
    LF_ASSIGN_OR_RETURN(found, searchBase(std::nullopt, 0, rows.baseRows));
    if (found) return found;
    LF_ASSIGN_OR_RETURN(found, searchAdded(0, size_t(row - rows.baseRows)));
  }
  if (found || column < 0) return found;
  // Last, the cells of the start row up to the one the search started from.
  const RowId startId = startIsBase ? *rows.start : rows.added[size_t(row - rows.baseRows)];
  LF_ASSIGN_OR_RETURN(std::optional<Row> start, single.read(startId));
  if (start) {
    if (auto hit = matcher.firstMatchBefore(start->values, after)) return Found(SearchHit{row, *hit, true});
  }
  return Found();
}

Result<std::optional<SearchHit>> searchRowList(const ReaderSource& source, const SearchQuery& query,
                                               const std::vector<RowId>& order, int64_t row, int column,
                                               MatchingRows& matching, const WorkControl& control) {
  using Found = std::optional<SearchHit>;
  LF_ASSIGN_OR_RETURN(TableReader reader, TableReader::open(source));
  const CellMatcher matcher(reader.schema(), query);
  const int64_t total = int64_t(order.size());
  if (matcher.columns().empty() || total == 0 || row < 0 || row >= total) return Found();
  const size_t after = size_t(column + 1);
  SingleRows single(reader);

  // Step k of the walk: the row k after the start, wrapping at the end.
  const auto visit = [&](int64_t k) -> Result<Found> {
    const int64_t position = (row + k) % total;
    LF_ASSIGN_OR_RETURN(std::optional<Row> read, single.read(order[size_t(position)]));
    if (!read) return Found();
    if (auto hit = matcher.firstMatch(read->values, k == 0 ? after : 0)) {
      return Found(SearchHit{position, *hit, row + k >= total});
    }
    return Found();
  };

  const int64_t singly = std::min(total, kRowsReadSingly);
  for (int64_t k = 0; k < singly; ++k) {
    if (control.stop.stop_requested()) return stoppedError();
    LF_ASSIGN_OR_RETURN(Found found, visit(k));
    if (found) return found;
    if (k % 256 == 0) reportProgress(control, 0.1 * double(k) / double(singly));
  }
  single.endPiece();

  if (singly < total) {
    if (!matching) {
      // The table once through for the rows that match anywhere.
      ResumableScan scan(reader, matcher.columns());
      const int64_t expected = std::max<int64_t>(reader.schema().rowCount, 1);
      auto rows = std::make_shared<std::vector<RowId>>();
      int64_t read = 0;
      LF_RETURN_IF_ERROR(scan.readInPieces(
          control, true,
          [&](const Row& scanned) {
            ++read;
            if (matcher.matches(scanned.values)) rows->push_back(scanned.id);
            return true;
          },
          [&](bool) { reportProgress(control, 0.1 + 0.8 * double(read) / double(expected)); }));
      matching = std::move(rows);
    }
    for (int64_t k = singly; k < total; ++k) {
      if (k % kPieceRows == 0) {
        if (control.stop.stop_requested()) return stoppedError();
        single.endPiece();
        reportProgress(control, 0.9 + 0.1 * double(k) / double(total));
      }
      const RowId id = order[size_t((row + k) % total)];
      if (!std::binary_search(matching->begin(), matching->end(), id)) continue;
      LF_ASSIGN_OR_RETURN(Found found, visit(k));
      if (found) return found;
    }
    single.endPiece();
  }
  if (column < 0) return Found();
  LF_ASSIGN_OR_RETURN(std::optional<Row> start, single.read(order[size_t(row)]));
  if (start) {
    if (auto hit = matcher.firstMatchBefore(start->values, after)) return Found(SearchHit{row, *hit, true});
  }
  return Found();
}

}  // namespace ledgerfen::data
