// The record set of one table, opened for editing: every record of the
// table, in the order a table scan gives them, read in batches from any
// position, and changed through the engine with optimistic locking.
//
// It is made unopened and opened over an open connection with the source
// text "SELECT * FROM `name`;" (the one form it accepts). From then on it
// shares ownership of the connection and of its database, so the file stays
// open for as long as the record set lives, whatever becomes of the
// connection object that opened it.
//
// Positions. Records are numbered from 0: first the table's rows in scan
// order, then the rows added through this record set, in the order they were
// added (a new row stays at the end, where the person typed it, wherever the
// engine stored it). Deleting records moves the ones after them up.
//
// Reading a large table. The record count is the count the table definition
// keeps, known at once; it is corrected when reading reaches the real end of
// the rows (files written by Access may hold a stale count), and
// exactRecordCount() reads on to the end when a caller needs it exact. The
// record set remembers the id of every 256th record it passes, so a read at
// any position restarts the scan at the nearest remembered record before
// it, and a read that continues where the last one stopped continues the
// same scan. Memory grows with the ids remembered (a few bytes per 256
// records), never with the records read.
//
// Writing. Each change hands the engine the record's values as they were
// read: a row changed since fails with a Conflict and nothing is written.
// Changes to a database that can only be read fail with the engine's
// read-only message, as do changes to a table with an index whose text
// sort order the engine cannot make keys for. One thread at a time.
//
// Reading elsewhere. Background work (sorting, filtering, searching, and
// gathering the ids of every 256th record so that far jumps stay short)
// reads the same table on a database of its own (readerSource()); each
// change waits for the piece of work under way and makes the readers open
// the file afresh (background_reader.h). Positions gathered so are taken
// in by learnPositions() as long as no record was added or deleted since
// the gathering began; a gathering thread can also leave them in the
// record set's PositionMailbox as it goes, which every seek looks into
// first, so a far jump made while the gathering runs starts from the
// farthest row it has reached.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ledgerfen/data/background_reader.h"
#include "ledgerfen/data/connection.h"
#include "ledgerfen/data/row_order.h"
#include "ledgerfen/database.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

// Positions gathered on another thread, left there as they come for the
// record set, which takes them in before it seeks: a seek to a far position
// while the gathering runs waits for it to get there (it reads ids alone, as
// fast as a walk on the UI thread would, and both at once only share the
// processor). Thread-safe.
class PositionMailbox {
 public:
  // The gathering thread's side. `version`: the record set's layout
  // version when the gathering began.
  void beginGathering(uint64_t version);
  void post(uint64_t version, PositionMarks marks);
  void endGathering();

  // The record set's side.
  std::vector<std::pair<uint64_t, PositionMarks>> take();
  // Whether a gathering of layout `version` is under way and has not passed
  // `position` yet.
  bool isGatheringTowards(uint64_t version, int64_t position);
  // Waits until a gathering of layout `version` has passed `position` or
  // ended, at most `timeout`; true when the position was passed.
  bool waitFor(uint64_t version, int64_t position, std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<std::pair<uint64_t, PositionMarks>> marks_;
  bool gathering_ = false;
  uint64_t version_ = 0;
  int64_t passed_ = 0;  // positions before this one were posted
};

// One record: where its row lives and its values as read.
struct Record {
  RowId id;
  std::vector<Value> values;
};

// The table named by a record set's source text: "SELECT * FROM `" + name +
// "`;", the key words in any case. Anything else is refused with an
// Unsupported error that shows the form expected.
Result<std::string> tableOfSource(std::string_view source);

// The source text that opens the records of `table`.
std::string sourceForTable(std::string_view table);

class RecordSet {
 public:
  // How many records apart the remembered ids are.
  static constexpr int64_t kStride = 256;

  RecordSet() = default;
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;

  // Opens the records of the table that `source` names over `connection`,
  // which must be open. Fails when the record set is already open, the
  // source has another form, or the table does not exist.
  Status open(std::string_view source, std::shared_ptr<Connection> connection);
  bool isOpen() const { return table_.has_value(); }
  // Releases the record set's hold on the connection; harmless when closed.
  void close();

  const std::string& tableName() const { return tableName_; }
  // The fields: the table's columns in their order.
  const std::vector<Column>& fields() const;
  // The table's definition: its columns and indexes (empty when closed).
  const TableSchema& schema() const;

  // Whether changes can be made: the engine's read-only message (and why
  // the file can only be read, when known) when they cannot.
  Status checkUpdatable() const;
  // Why changes cannot be made ("" when they can): the engine's reason, or
  // the index whose keys cannot be made.
  std::string viewOnlyReason() const;
  // Where the database file is.
  std::string databasePath() const;

  // The records known: the table's kept count (or the real one, once
  // known) and the records added.
  int64_t recordCount() const { return baseCount_ + int64_t(added_.size()); }
  bool recordCountIsExact() const { return exact_; }
  // Reads on to the end of the table when the count is not known exactly.
  Result<int64_t> exactRecordCount();

  // Reads the records at positions `first` to `first + count - 1` into
  // `out`, fewer when the records end sooner.
  Status read(int64_t first, int64_t count, std::vector<Record>& out);
  // The record as the file holds it now (NotFound when its row is gone).
  Result<Record> reread(const Record& record) const;

  // Writes `after` over the record read as `before`; returns the record as
  // stored.
  Result<Record> update(const Record& before, std::vector<Value> after);
  // Adds a record (NULL for an AutoNumber the engine assigns) at the end;
  // returns it as stored, AutoNumbers filled in.
  Result<Record> addNew(std::vector<Value> values);
  // Deletes records given by position and as read, all or none.
  Status remove(std::vector<std::pair<int64_t, Record>> records);

  // How many record ids are remembered (for tests of the memory bound).
  size_t rememberedIds() const { return checkpoints_.size(); }

  // The record whose row is `id`, as the file holds it now (NotFound when
  // the row is gone).
  Result<Record> readRecord(RowId id) const;
  // The position of the record whose row is `id`: found from the nearest
  // remembered id before it. NotFound when no record has it.
  Result<int64_t> positionOf(RowId id);
  // The rows added through this record set, in the order added.
  const std::vector<RowId>& addedRows() const { return added_; }
  // The rows of the table's index `index` in its order, the first `count`
  // of them, decoding only `column`.
  Result<std::vector<RowId>> indexRows(const std::string& index, size_t column, size_t count) const;

  // How to read the table elsewhere.
  ReaderSource readerSource() const;
  // Counts the changes that move records (additions and deletions).
  uint64_t layoutVersion() const { return layoutVersion_; }
  // Takes in positions gathered elsewhere (gatherPositions with the added
  // rows excluded and kStride) while the layout was `version`; ignored when
  // records were added or deleted since. The last stretch's total makes the
  // record count exact.
  void learnPositions(uint64_t version, const PositionMarks& marks);
  // Where a gathering thread leaves positions (see above), and taking in
  // what it left.
  const std::shared_ptr<PositionMailbox>& positionMailbox() const { return mailbox_; }
  void takeGatheredPositions();
  // Whether reading the record at `position` now would wait for the
  // gathering under way to get there: it is far from every row known and
  // from the open scan. A grid shows such a row a moment later instead.
  bool waitsForGathering(int64_t position);
  // Whether the id of every kStride-th record is known, to the end.
  bool positionsKnown() const { return positionsKnown_; }

 private:
  Status notOpen() const;
  // Puts the scan at base position `position`; false when the table ends before.
  Result<bool> seek(int64_t position);
  // The next row of the scan that was not added through this record set,
  // read into `row` (or only its id when `row` is null), its id into
  // `passed` when given. False at the end.
  Result<bool> advance(Row* row, RowId* passed = nullptr);
  // Reads to the end of the scan and takes the position reached as the count.
  Status countToEnd();
  void dropScan() { cursor_.reset(); }

  std::shared_ptr<Connection> connection_;
  std::shared_ptr<Database> database_;
  std::optional<Table> table_;
  std::string tableName_;

  int64_t baseCount_ = 0;  // rows of the table, not counting those added here
  bool exact_ = false;
  std::map<int64_t, RowId> checkpoints_;  // base position -> id of the row there
  std::optional<RowCursor> cursor_;
  int64_t cursorPosition_ = 0;  // base position of the row the cursor gives next
  Row scratch_;
  std::vector<RowId> added_;
  std::set<RowId> addedIds_;
  std::shared_ptr<WriteGate> gate_;
  uint64_t layoutVersion_ = 0;
  bool positionsKnown_ = false;
  std::shared_ptr<PositionMailbox> mailbox_ = std::make_shared<PositionMailbox>();
  std::string unsortableReason_;  // an index whose keys cannot be made
};

}  // namespace ledgerfen::data
