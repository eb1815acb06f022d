#include "ledgerfen/data/row_order.h"

#include <algorithm>
#include <cstring>

#include "ledgerfen/data/sort_key.h"
#include "resumable_scan.h"

namespace ledgerfen::data {
namespace {

// How many ids a delivery of gathered positions carries at most (a piece's worth).
constexpr size_t kMarksPerDelivery = kPieceRows / 256;

// One row while sorting by keys: its id and a window of its key, 32 bytes
// in all. Keys longer than the window are told apart later, by more of it.
struct KeyEntry {
  static constexpr size_t kWindow = 24;
  uint32_t page = 0;
  uint16_t row = 0;
  uint8_t length = 0;      // bytes of the window in use
  bool truncated = false;  // the key goes on past the window
  char window[kWindow] = {};

  RowId id() const { return RowId{page, row}; }
  void setWindow(std::string_view key, size_t offset) {
    const std::string_view part = offset < key.size() ? key.substr(offset) : std::string_view();
    length = uint8_t(std::min(part.size(), kWindow));
    truncated = part.size() > kWindow;
    std::memcpy(window, part.data(), length);
  }
};
static_assert(sizeof(KeyEntry) == 32);

// Orders by window, then a key that ends before one that goes on, then id.
int compareWindows(const KeyEntry& a, const KeyEntry& b) {
  const int bytes = std::memcmp(a.window, b.window, std::min(a.length, b.length));
  if (bytes != 0) return bytes;
  if (a.length != b.length) return a.length < b.length ? -1 : 1;
  if (a.truncated != b.truncated) return a.truncated ? 1 : -1;
  return 0;
}

bool entryBefore(const KeyEntry& a, const KeyEntry& b) {
  const int c = compareWindows(a, b);
  return c != 0 ? c < 0 : a.id() < b.id();
}

// Entries whose windows are equal and whose keys go on: still to be ordered
// by what follows, from `offset` on.
struct Tie {
  size_t begin = 0;
  size_t end = 0;
  size_t offset = 0;
};

// While more rows than this are tied, the table is read through once more
// for the next window of their keys (a pass reads the column in order,
// about as fast as reading a few hundred thousand rows one by one); fewer
// are settled by reading their rows one by one.
constexpr size_t kRereadRows = 20000;

void findTies(const std::vector<KeyEntry>& entries, size_t begin, size_t end, size_t offset, std::vector<Tie>& out) {
  for (size_t i = begin; i < end;) {
    size_t j = i + 1;
    if (entries[i].truncated) {
      while (j < end && compareWindows(entries[i], entries[j]) == 0) ++j;
      if (j - i > 1) out.push_back(Tie{i, j, offset + KeyEntry::kWindow});
    }
    i = j;
  }
}

class KeySorter {
 public:
  KeySorter(TableReader& reader, size_t column, const WorkControl& control)
      : reader_(reader), column_(column), control_(control), definition_(reader.schema().columns[column]) {}

  Result<std::vector<RowId>> run() {
    LF_RETURN_IF_ERROR(readKeys());
    std::sort(entries_.begin(), entries_.end(), entryBefore);
    std::vector<Tie> ties;
    findTies(entries_, 0, entries_.size(), 0, ties);
    while (!ties.empty()) {
      size_t tied = 0;
      for (const Tie& tie : ties) tied += tie.end - tie.begin;
      if (tied <= kRereadRows) {
        for (const Tie& tie : ties) LF_RETURN_IF_ERROR(settleByRereading(tie));
        break;
      }
      LF_RETURN_IF_ERROR(readNextWindows(ties));
      std::vector<Tie> next;
      for (const Tie& tie : ties) {
        std::sort(entries_.begin() + ptrdiff_t(tie.begin), entries_.begin() + ptrdiff_t(tie.end), entryBefore);
        findTies(entries_, tie.begin, tie.end, tie.offset, next);
      }
      ties = std::move(next);
    }
    std::vector<RowId> ids;
    ids.reserve(entries_.size());
    for (const KeyEntry& e : entries_) ids.push_back(e.id());
    entries_ = {};
    return ids;
  }

 private:
  Status readKeys() {
    const int64_t expected = std::max<int64_t>(reader_.schema().rowCount, 1);
    entries_.reserve(size_t(expected) + 1024);
    ResumableScan scan(reader_, {column_});
    std::string key;
    return scan.readInPieces(
        control_, true,
        [&](const Row& row) {
          key.clear();
          appendSortKey(definition_, row.values[column_], key, KeyEntry::kWindow);
          KeyEntry& entry = entries_.emplace_back();
          entry.page = row.id.page;
          entry.row = row.id.row;
          entry.setWindow(key, 0);
          return true;
        },
        [&](bool) { reportProgress(control_, 0.8 * double(entries_.size()) / double(expected)); });
  }

  Status settleByRereading(const Tie& tie) {
    if (control_.stop.stop_requested()) return stoppedError();
    std::vector<std::pair<std::string, RowId>> keys;
    keys.reserve(tie.end - tie.begin);
    {
      WriteGate::ReadPass pass(*reader_.source().gate);
      LF_RETURN_IF_ERROR(reader_.refresh());
      for (size_t i = tie.begin; i < tie.end; ++i) {
        auto row = reader_.table().readRow(entries_[i].id());
        // A row gone since keeps its place among the others.
        std::string key = row ? sortKey(definition_, row->values[column_]) : std::string();
        keys.emplace_back(key.size() > tie.offset ? key.substr(tie.offset) : std::string(), entries_[i].id());
      }
    }
    std::sort(keys.begin(), keys.end());
    for (size_t i = 0; i < keys.size(); ++i) {
      KeyEntry& entry = entries_[tie.begin + i];
      entry.page = keys[i].second.page;
      entry.row = keys[i].second.row;
    }
    return okStatus();
  }

  // One more pass over the table, putting into each tied entry the next
  // window of its key.
  Status readNextWindows(const std::vector<Tie>& ties) {
    struct Wanted {
      RowId id;
      uint32_t entry = 0;
      uint32_t offset = 0;
      bool operator<(const Wanted& other) const { return id < other.id; }
    };
    std::vector<Wanted> wanted;
    for (const Tie& tie : ties) {
      for (size_t i = tie.begin; i < tie.end; ++i)
        wanted.push_back({entries_[i].id(), uint32_t(i), uint32_t(tie.offset)});
    }
    std::sort(wanted.begin(), wanted.end());
    if (wanted.empty()) return okStatus();
    ResumableScan scan(reader_, {column_});
    std::string key;
    size_t next = 0;
    return scan.readInPieces(
        control_, true,
        [&](const Row& row) {
          while (next < wanted.size() && wanted[next].id < row.id) ++next;  // rows gone since
          if (next < wanted.size() && wanted[next].id == row.id) {
            key.clear();
            appendSortKey(definition_, row.values[column_], key, wanted[next].offset + KeyEntry::kWindow);
            entries_[wanted[next].entry].setWindow(key, wanted[next].offset);
            ++next;
          }
          return next < wanted.size();
        },
        [](bool) {});
  }

  TableReader& reader_;
  size_t column_;
  const WorkControl& control_;
  Column definition_;
  std::vector<KeyEntry> entries_;
};

// The rows of an index in its order. An index that leaves out rows whose
// indexed values are all NULL gets them back where NULL sorts: first in an
// ascending index, last in a descending one.
Result<std::vector<RowId>> rowsOfIndex(TableReader& reader, const Index& index, size_t column,
                                       const WorkControl& control) {
  const int64_t expected = std::max<int64_t>(reader.schema().rowCount, 1);
  std::vector<RowId> ids;
  bool complete = false;
  while (!complete) {
    // A change to the file while the index is walked starts the walk again:
    // an index cursor cannot be resumed on a database opened afresh.
    ids.clear();
    ids.reserve(size_t(expected) + 1024);
    std::optional<RowCursor> cursor;
    Row row;
    bool restart = false;
    while (!complete && !restart) {
      if (control.stop.stop_requested()) return stoppedError();
      WriteGate::ReadPass pass(*reader.source().gate);
      LF_ASSIGN_OR_RETURN(bool fresh, reader.refresh());
      if (fresh && cursor) {
        restart = true;
        break;
      }
      if (!cursor) {
        LF_ASSIGN_OR_RETURN(RowCursor made, reader.table().seek(index.name, IndexRange{}, {column}));
        cursor = std::move(made);
      }
      for (int i = 0; i < kPieceRows; ++i) {
        LF_ASSIGN_OR_RETURN(bool more, cursor->next(row));
        if (!more) {
          complete = true;
          break;
        }
        ids.push_back(row.id);
      }
      reportProgress(control, 0.9 * double(ids.size()) / double(expected));
    }
  }
  if (!index.ignoreNulls) return ids;

  std::vector<RowId> listed = ids;
  std::sort(listed.begin(), listed.end());
  std::vector<RowId> missing;
  ResumableScan scan(reader, {});
  LF_RETURN_IF_ERROR(scan.readInPieces(
      control, false,
      [&](const Row& row) {
        if (!std::binary_search(listed.begin(), listed.end(), row.id)) missing.push_back(row.id);
        return true;
      },
      [](bool) {}));
  if (missing.empty()) return ids;
  const bool ascending = index.columns.front().ascending;
  ids.insert(ascending ? ids.begin() : ids.end(), missing.begin(), missing.end());
  return ids;
}

int positionOfColumn(const TableSchema& schema, const Index& index) {
  return index.columns.empty() ? -1 : schema.positionOfNumber(index.columns.front().columnNumber);
}

}  // namespace

bool wasStopped(const Error& error) {
  return error.kind() == ErrorKind::InvalidArgument && error.message() == kStoppedMessage;
}

Status gatherPositions(const ReaderSource& source, const std::set<RowId>& excluded, int64_t stride,
                       const WorkControl& control, const std::function<void(PositionMarks)>& deliver) {
  if (stride <= 0) return Error(ErrorKind::InvalidArgument, "positions are gathered at a stride of one or more");
  LF_ASSIGN_OR_RETURN(TableReader reader, TableReader::open(source));
  const int64_t expected = std::max<int64_t>(reader.schema().rowCount, 1);
  ResumableScan scan(reader, {});
  int64_t position = 0;
  PositionMarks marks;
  return scan.readInPieces(
      control, false,
      [&](const Row& row) {
        if (excluded.count(row.id)) return true;
        if (position % stride == 0) {
          if (marks.ids.empty()) marks.first = position;
          marks.ids.push_back(row.id);
        }
        ++position;
        return true;
      },
      [&](bool atEnd) {
        if (atEnd) marks.total = position;
        if (marks.ids.size() >= kMarksPerDelivery || marks.total) {
          deliver(std::move(marks));
          marks = PositionMarks();
        }
        reportProgress(control, double(position) / double(expected));
      });
}

const Index* sortIndexFor(const TableSchema& schema, size_t column, SortDirection direction) {
  const Index* best = nullptr;
  int bestScore = -1;
  for (const Index& index : schema.indexes) {
    if (positionOfColumn(schema, index) != int(column)) continue;
    const bool ascending = direction == SortDirection::Ascending;
    const int score = (index.columns.size() == 1 ? 4 : 0) + (index.columns.front().ascending == ascending ? 2 : 0) +
                      (index.ignoreNulls ? 0 : 1);
    if (score > bestScore) {
      best = &index;
      bestScore = score;
    }
  }
  return best;
}

bool indexGivesOrderDirectly(const TableSchema& schema, const Index& index, size_t column, SortDirection direction) {
  if (positionOfColumn(schema, index) != int(column)) return false;
  const bool ascending = direction == SortDirection::Ascending;
  return index.columns.front().ascending == ascending && !index.ignoreNulls;
}

Result<std::vector<RowId>> sortedRowsByKeys(const ReaderSource& source, size_t column, SortDirection direction,
                                            const WorkControl& control) {
  LF_ASSIGN_OR_RETURN(TableReader reader, TableReader::open(source));
  if (column >= reader.schema().columns.size()) {
    return Error(ErrorKind::InvalidArgument, "the table has no column " + std::to_string(column + 1));
  }
  KeySorter sorter(reader, column, control);
  LF_ASSIGN_OR_RETURN(std::vector<RowId> ids, sorter.run());
  if (direction == SortDirection::Descending) std::reverse(ids.begin(), ids.end());
  reportProgress(control, 1);
  return ids;
}

Result<std::vector<RowId>> sortedRows(const ReaderSource& source, size_t column, SortDirection direction,
                                      const WorkControl& control) {
  std::optional<Index> index;
  {
    LF_ASSIGN_OR_RETURN(TableReader reader, TableReader::open(source));
    if (column >= reader.schema().columns.size()) {
      return Error(ErrorKind::InvalidArgument, "the table has no column " + std::to_string(column + 1));
    }
    if (const Index* found = sortIndexFor(reader.schema(), column, direction)) {
      index = *found;
      LF_ASSIGN_OR_RETURN(std::vector<RowId> ids, rowsOfIndex(reader, *index, column, control));
      const bool ascending = direction == SortDirection::Ascending;
      if (index->columns.front().ascending != ascending) std::reverse(ids.begin(), ids.end());
      reportProgress(control, 1);
      return ids;
    }
  }
  return sortedRowsByKeys(source, column, direction, control);
}

}  // namespace ledgerfen::data
