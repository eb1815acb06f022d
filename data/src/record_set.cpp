#include "ledgerfen/data/record_set.h"

#include <algorithm>
#include <cctype>

#include "ledgerfen/data/view_only.h"

namespace ledgerfen::data {
namespace {

constexpr std::string_view kSourceStart = "SELECT * FROM `";
constexpr std::string_view kSourceEnd = "`;";

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
         });
}

const std::vector<Column>& noColumns() {
  static const std::vector<Column> none;
  return none;
}

}  // namespace

Result<std::string> tableOfSource(std::string_view source) {
  if (startsWithNoCase(source, kSourceStart) && source.ends_with(kSourceEnd)) {
    std::string_view name = source.substr(kSourceStart.size());
    name.remove_suffix(std::min(name.size(), kSourceEnd.size()));
    if (source.size() >= kSourceStart.size() + kSourceEnd.size() && !name.empty() &&
        name.find('`') == std::string_view::npos) {
      return std::string(name);
    }
  }
  return Error(ErrorKind::Unsupported,
               "a record set opens one whole table, written as SELECT * FROM `table`; "
               "but the source was: " +
                   std::string(source));
}

std::string sourceForTable(std::string_view table) {
  return std::string(kSourceStart) + std::string(table) + std::string(kSourceEnd);
}

Status RecordSet::notOpen() const {
  return Error(ErrorKind::InvalidArgument, "the record set is not open");
}

Status RecordSet::open(std::string_view source, std::shared_ptr<Connection> connection) {
  if (isOpen()) return Error(ErrorKind::InvalidArgument, "the record set is already open");
  LF_ASSIGN_OR_RETURN(std::string name, tableOfSource(source));
  if (!connection || !connection->isOpen()) {
    return Error(ErrorKind::InvalidArgument, "the record set cannot be opened: its connection is not open");
  }
  std::shared_ptr<Database> database = connection->database();
  LF_ASSIGN_OR_RETURN(Table table, database->table(name));
  connection_ = std::move(connection);
  database_ = std::move(database);
  tableName_ = table.schema().name;
  baseCount_ = table.schema().rowCount;
  exact_ = false;
  unsortableReason_ = unsortableIndexReason(database_->format(), table.schema());
  table_ = std::move(table);
  gate_ = std::make_shared<WriteGate>();
  layoutVersion_ = 0;
  positionsKnown_ = false;
  return okStatus();
}

void RecordSet::close() {
  dropScan();
  table_.reset();
  database_.reset();
  connection_.reset();
  checkpoints_.clear();
  added_.clear();
  addedIds_.clear();
  baseCount_ = 0;
  exact_ = false;
  tableName_.clear();
  gate_.reset();
  ++layoutVersion_;
  positionsKnown_ = false;
  unsortableReason_.clear();
}

const std::vector<Column>& RecordSet::fields() const {
  return table_ ? table_->schema().columns : noColumns();
}

const TableSchema& RecordSet::schema() const {
  static const TableSchema none;
  return table_ ? table_->schema() : none;
}

Status RecordSet::checkUpdatable() const {
  if (!isOpen()) return notOpen();
  if (!database_->isReadOnly() && unsortableReason_.empty()) return okStatus();
  const std::string reason = viewOnlyReason();
  return Error(ErrorKind::ReadOnly, std::string(kReadOnlyMessage) + (reason.empty() ? "" : " (" + reason + ")"));
}

std::string RecordSet::viewOnlyReason() const {
  if (!isOpen()) return {};
  if (database_->isReadOnly()) return database_->readOnlyReason();
  return unsortableReason_;
}

std::string RecordSet::databasePath() const {
  return database_ ? database_->path() : std::string();
}

Result<bool> RecordSet::advance(Row* row, RowId* passed) {
  while (true) {
    RowId id;
    Result<bool> more = row ? cursor_->next(*row) : cursor_->skip(id);
    if (!more.ok() || !*more) {
      if (!more.ok()) dropScan();
      return more;
    }
    if (row) id = row->id;
    if (addedIds_.count(id)) continue;
    if (cursorPosition_ % kStride == 0) checkpoints_[cursorPosition_] = id;
    ++cursorPosition_;
    if (passed) *passed = id;
    return true;
  }
}

void PositionMailbox::beginGathering(uint64_t version) {
  std::lock_guard lock(mutex_);
  gathering_ = true;
  version_ = version;
  passed_ = 0;
}

void PositionMailbox::post(uint64_t version, PositionMarks marks) {
  {
    std::lock_guard lock(mutex_);
    if (version == version_) {
      passed_ = marks.total ? INT64_MAX : marks.first + int64_t(marks.ids.size() - 1) * RecordSet::kStride + 1;
    }
    marks_.emplace_back(version, std::move(marks));
  }
  posted_.notify_all();
}

void PositionMailbox::endGathering() {
  {
    std::lock_guard lock(mutex_);
    gathering_ = false;
  }
  posted_.notify_all();
}

std::vector<std::pair<uint64_t, PositionMarks>> PositionMailbox::take() {
  std::lock_guard lock(mutex_);
  return std::exchange(marks_, {});
}

bool PositionMailbox::isGatheringTowards(uint64_t version, int64_t position) {
  std::lock_guard lock(mutex_);
  return gathering_ && version == version_ && passed_ <= position;
}

bool PositionMailbox::waitFor(uint64_t version, int64_t position, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!gathering_ || version != version_) return false;
  return posted_.wait_for(lock, timeout, [&] { return !gathering_ || passed_ > position; }) && passed_ > position;
}

void RecordSet::takeGatheredPositions() {
  for (const auto& [version, marks] : mailbox_->take()) learnPositions(version, marks);
}

bool RecordSet::waitsForGathering(int64_t position) {
  takeGatheredPositions();
  if (position >= baseCount_) return false;
  constexpr int64_t kFar = 16 * kStride;
  const auto nearest = checkpoints_.upper_bound(position);
  const int64_t known = nearest == checkpoints_.begin() ? 0 : std::prev(nearest)->first;
  const bool cursorNear = cursor_ && cursorPosition_ <= position && position - cursorPosition_ < kFar;
  return position - known >= kFar && !cursorNear && mailbox_->isGatheringTowards(layoutVersion_, position);
}

Result<bool> RecordSet::seek(int64_t position) {
  // A gathering under way gets there without this thread walking the same
  // rows beside it.
  if (waitsForGathering(position) && mailbox_->waitFor(layoutVersion_, position, std::chrono::seconds(2))) {
    takeGatheredPositions();
  }
  // The remembered row nearest before the position, unless the scan already
  // open is nearer.
  auto after = checkpoints_.upper_bound(position);
  bool reuse = cursor_ && cursorPosition_ <= position &&
               (after == checkpoints_.begin() || std::prev(after)->first <= cursorPosition_);
  if (!reuse) {
    dropScan();
    if (after == checkpoints_.begin()) {
      LF_ASSIGN_OR_RETURN(RowCursor cursor, table_->scan());
      cursor_ = std::move(cursor);
      cursorPosition_ = 0;
    } else {
      auto from = std::prev(after);
      LF_ASSIGN_OR_RETURN(RowCursor cursor, table_->scanFrom(from->second));
      cursor_ = std::move(cursor);
      cursorPosition_ = from->first;
    }
  }
  while (cursorPosition_ < position) {
    LF_ASSIGN_OR_RETURN(bool more, advance(nullptr));
    if (!more) {
      baseCount_ = cursorPosition_;
      exact_ = true;
      dropScan();
      return false;
    }
  }
  return true;
}

Status RecordSet::countToEnd() {
  int64_t from = cursor_ ? cursorPosition_ : 0;
  if (!checkpoints_.empty()) from = std::max(from, checkpoints_.rbegin()->first);
  LF_ASSIGN_OR_RETURN(bool there, seek(from));
  if (there) {
    while (true) {
      LF_ASSIGN_OR_RETURN(bool more, advance(nullptr));
      if (!more) break;
    }
    baseCount_ = cursorPosition_;
    exact_ = true;
    dropScan();
  }
  return okStatus();
}

Result<int64_t> RecordSet::exactRecordCount() {
  if (!isOpen()) return notOpen().error();
  if (!exact_) LF_RETURN_IF_ERROR(countToEnd());
  return recordCount();
}

Status RecordSet::read(int64_t first, int64_t count, std::vector<Record>& out) {
  out.clear();
  if (!isOpen()) return notOpen();
  if (first < 0 || count <= 0) return okStatus();
  int64_t position = first;
  if (position < baseCount_) {
    LF_ASSIGN_OR_RETURN(bool there, seek(position));
    while (there && position < first + count && position < baseCount_) {
      LF_ASSIGN_OR_RETURN(bool more, advance(&scratch_));
      if (!more) {
        baseCount_ = position;
        exact_ = true;
        dropScan();
        break;
      }
      out.push_back(Record{scratch_.id, scratch_.values});
      ++position;
    }
    // Having read what the kept count calls the last row, make sure it is:
    // a stale count may also be too small.
    if (!exact_ && position == baseCount_) {
      LF_ASSIGN_OR_RETURN(bool more, advance(nullptr));
      if (more) {
        LF_RETURN_IF_ERROR(countToEnd());
        if (position < first + count) {
          std::vector<Record> rest;
          LF_RETURN_IF_ERROR(read(position, first + count - position, rest));
          for (Record& r : rest) out.push_back(std::move(r));
          return okStatus();
        }
      } else {
        baseCount_ = position;
        exact_ = true;
        dropScan();
      }
    }
  }
  for (position = std::max(position, baseCount_); position < first + count && position < recordCount(); ++position) {
    auto row = table_->readRow(added_[size_t(position - baseCount_)]);
    if (!row) return row.error();
    out.push_back(Record{row->id, std::move(row->values)});
  }
  return okStatus();
}

Result<Record> RecordSet::reread(const Record& record) const {
  if (!isOpen()) return notOpen().error();
  LF_ASSIGN_OR_RETURN(Row row, table_->readRow(record.id));
  return Record{row.id, std::move(row.values)};
}

Result<Record> RecordSet::update(const Record& before, std::vector<Value> after) {
  if (!isOpen()) return notOpen().error();
  if (!unsortableReason_.empty()) return checkUpdatable().error();
  dropScan();
  {
    WriteGate::WritePass pass(*gate_);
    LF_RETURN_IF_ERROR(table_->updateRow(before.id, before.values, after));
  }
  // The engine may store a value in its column's form (a Yes/No left empty
  // is No): what comes back is what the next change must name as read.
  auto stored = reread(before);
  if (stored) return stored;
  return Record{before.id, std::move(after)};
}

Result<Record> RecordSet::addNew(std::vector<Value> values) {
  if (!isOpen()) return notOpen().error();
  if (!unsortableReason_.empty()) return checkUpdatable().error();
  dropScan();
  WriteGate::WritePass pass(*gate_);
  LF_ASSIGN_OR_RETURN(Row row, table_->insertRow(std::move(values)));
  ++layoutVersion_;
  added_.push_back(row.id);
  addedIds_.insert(row.id);
  return Record{row.id, std::move(row.values)};
}

Status RecordSet::remove(std::vector<std::pair<int64_t, Record>> records) {
  if (!isOpen()) return notOpen();
  if (records.empty()) return okStatus();
  if (!unsortableReason_.empty()) return checkUpdatable();
  dropScan();
  {
    WriteGate::WritePass pass(*gate_);
    const bool batch = records.size() > 1;
    if (batch) LF_RETURN_IF_ERROR(database_->begin());
    for (const auto& [position, record] : records) {
      Status deleted = table_->deleteRow(record.id, record.values);
      if (!deleted) {
        if (batch) database_->rollback();
        return deleted;
      }
    }
    if (batch) LF_RETURN_IF_ERROR(database_->commit());
  }
  ++layoutVersion_;

  // The records after each deleted one move up, from the last deleted on.
  std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [position, record] : records) {
    if (position >= baseCount_) {
      auto it = std::find(added_.begin(), added_.end(), record.id);
      if (it != added_.end()) added_.erase(it);
      addedIds_.erase(record.id);
      continue;
    }
    std::map<int64_t, RowId> moved;
    for (const auto& [at, id] : checkpoints_) {
      if (at < position) moved.emplace(at, id);
      if (at > position) moved.emplace(at - 1, id);
    }
    checkpoints_ = std::move(moved);
    --baseCount_;
  }
  return okStatus();
}

Result<Record> RecordSet::readRecord(RowId id) const {
  if (!isOpen()) return notOpen().error();
  LF_ASSIGN_OR_RETURN(Row row, table_->readRow(id));
  return Record{row.id, std::move(row.values)};
}

Result<int64_t> RecordSet::positionOf(RowId id) {
  if (!isOpen()) return notOpen().error();
  if (addedIds_.count(id)) {
    return baseCount_ + int64_t(std::find(added_.begin(), added_.end(), id) - added_.begin());
  }
  const auto missing = [&] {
    return Error(ErrorKind::NotFound, "table " + tableName_ + ": no record is stored at page " +
                                          std::to_string(id.page) + ", row " + std::to_string(id.row));
  };
  // Remembered ids ascend with their positions, as a scan gives them.
  int64_t from = 0;
  for (const auto& [position, remembered] : checkpoints_) {
    if (id < remembered) break;
    from = position;
  }
  LF_ASSIGN_OR_RETURN(bool there, seek(from));
  if (!there) return missing();
  while (true) {
    const int64_t position = cursorPosition_;
    RowId passed;
    LF_ASSIGN_OR_RETURN(bool more, advance(nullptr, &passed));
    if (!more) {
      baseCount_ = cursorPosition_;
      exact_ = true;
      dropScan();
      return missing();
    }
    if (passed == id) return position;
    if (id < passed) return missing();
  }
}

Result<std::vector<RowId>> RecordSet::indexRows(const std::string& index, size_t column, size_t count) const {
  if (!isOpen()) return notOpen().error();
  LF_ASSIGN_OR_RETURN(RowCursor cursor, table_->seek(index, IndexRange{}, {column}));
  std::vector<RowId> ids;
  Row row;
  while (ids.size() < count) {
    LF_ASSIGN_OR_RETURN(bool more, cursor.next(row));
    if (!more) break;
    ids.push_back(row.id);
  }
  return ids;
}

ReaderSource RecordSet::readerSource() const {
  ReaderSource source;
  if (!isOpen()) return source;
  source.path = database_->path();
  source.password = connection_->settings().password;
  source.table = tableName_;
  source.gate = gate_;
  return source;
}

void RecordSet::learnPositions(uint64_t version, const PositionMarks& marks) {
  if (!isOpen() || version != layoutVersion_) return;
  for (size_t k = 0; k < marks.ids.size(); ++k) checkpoints_[marks.first + int64_t(k) * kStride] = marks.ids[k];
  if (marks.total) {
    baseCount_ = *marks.total;
    exact_ = true;
    positionsKnown_ = true;
  }
}

}  // namespace ledgerfen::data
