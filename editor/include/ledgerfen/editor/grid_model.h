// The grid's model: the records of an open record set as a Qt table model,
// one column per field headed by its name, one row per record, and at the
// bottom the new-row line where a person types a record to add (only when
// the records can be changed).
//
// Cells show data::cellText, the text the exports write too. Records are
// read through a RowCache as the view asks for them, so a table of any size
// shows its first rows at once and keeps a bounded number in memory.
//
// Typing goes into the pending row, never straight into the file: the typed
// texts of the one row being edited, kept apart from the record as read.
// commitPendingRow() writes them through the record set (the view calls it
// when the person leaves the row); when the engine refuses, the row keeps
// the typed texts, marked as not saved, with the engine's message, until a
// later commit succeeds or revertPendingRow() drops them. A typed text equal
// to what the cell showed changes nothing, and a row whose values come out
// unchanged is not written. The new-row line shows, and a new row starts
// from, the columns' default values (ledgerfen/default_value.h), as Access
// shows them; it is written once something is typed into it.
//
// Order. The rows come in the record set's order, or in a list of rows made
// by sorting or filtering (ViewRows); edits, additions and deletions are
// written through the record set in either, exactly alike. A record added
// while a list is shown stays at its end.
//
// Undo. Each saved change (a record's values changed, or a record added) is
// remembered with the record as it was and as it was stored; a group of
// them (a paste) is one change. undoLastChange() puts back the last one:
// each record must still hold what the change stored (the same check the
// writes make), else nothing is undone and the error says why.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/editor/row_cache.h"
#include "ledgerfen/editor/view_rows.h"
#include "ledgerfen/status.h"

namespace ledgerfen::editor {

class GridModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The header text of the new-row line, of the row being typed and of a
  // row whose last write failed.
  static constexpr const char* kNewRowMark = "*";
  static constexpr const char* kEditingMark = "\u270E";
  static constexpr const char* kNotSavedMark = "!";
  // What an AutoNumber cell shows until the engine has given the number.
  static constexpr const char* kNewAutoNumber = "(New)";
  // What the cells of a record another program deleted show.
  static constexpr const char* kDeletedRecord = "#Deleted";
  // How many saved changes can be undone, the latest first.
  static constexpr size_t kMostUndoneChanges = 100;

  explicit GridModel(std::shared_ptr<data::RecordSet> records, QObject* parent = nullptr);
  GridModel(std::shared_ptr<data::RecordSet> records, RowCache::Limits limits, QObject* parent = nullptr);
  ~GridModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  data::RecordSet& records() const { return *records_; }
  const RowCache& cache() const { return cache_; }
  // Ok when the records can be changed; else the engine's read-only message.
  const Status& updatable() const { return updatable_; }

  // Rows 0 to recordRows() - 1 are records; after them come the row being
  // added (while one is typed) and the new-row line.
  int recordRows() const { return recordRows_; }
  bool isNewRowLine(int row) const;

  std::optional<int> pendingRow() const;
  // While rows come and go, the view's current row moves by itself: that is
  // no person leaving a row.
  bool changingRows() const { return changingRows_; }
  bool pendingIsNew() const { return pending_ && pending_->isNew; }
  // The engine's message of the pending row's last failed write ("" when none).
  QString pendingError() const { return pending_ ? pending_->error : QString(); }

  // Writes the pending row. Ok when there is none, it changed nothing, or it
  // was written; the engine's error (kept with the row) when not.
  Status commitPendingRow();
  // Drops the pending row's typing and reads its record again from the file.
  void revertPendingRow();
  // Deletes the records of `rows`, all or none; a pending row among them is
  // dropped. Other pending typing must be committed first.
  Status deleteRecords(std::vector<int> rows);

  // The text a record row shows in `column` (what the exports write).
  Result<std::string> recordText(int row, int column);
  // Reads on to the end of the table when needed, then shows every record.
  Result<int64_t> exactRecordCount();
  // Brings the rows in line with the record count, after reading corrected it.
  void syncRowCount();

  // The order of the rows. Changing it needs no row being edited.
  const ViewRows& view() const { return source_; }
  void showOrder(ViewRows::Order order, int64_t total);
  void showTableOrder();
  // Whether the row's record is known (false for rows of a sorted order
  // not read yet).
  bool isRowKnown(int row) const;
  // The id of the record at `row`, reading it when needed.
  std::optional<RowId> recordIdAt(int row) const;
  // The row that shows the record `id`, or -1.
  int rowOfRecord(RowId id);

  // Saved changes made from now until endChangeGroup() are undone as one.
  void beginChangeGroup();
  void endChangeGroup();
  bool canUndo() const { return !undo_.empty(); }
  // Puts back the last saved change (see above); `row` gets the row of the
  // record put back (-1 when none shows it).
  Status undoLastChange(int& row);

 signals:
  // Reading records failed (the file became unreadable): the engine's message.
  void readFailed(const QString& message) const;
  // A record was added, or records were deleted, through the grid.
  void recordAdded(RowId id);
  void recordsDeleted(const std::vector<RowId>& ids);
  // No row is being edited any more: it was written or its typing undone.
  void pendingSettled();

 private:
  struct Pending {
    bool isNew = false;
    int row = 0;
    data::Record original;         // as read (a new row: the columns' defaults)
    std::map<int, QString> typed;  // by column
    QString error;
  };
  // One record's saved change: an update (`before` as it was) or an addition.
  struct SavedChange {
    bool added = false;
    data::Record before;
    data::Record after;  // as stored
  };

  const data::Record* recordAt(int row) const;
  // Whether the row, in table order, is far from every row known while the
  // row positions are still gathered: it is shown empty for the moment and
  // again once the gathering has passed it (a refresh is scheduled), so a
  // far jump never makes the window wait for the gathering.
  bool showsLater(int row) const;
  // A record of the columns' defaults, NULL where a column has none.
  data::Record newRecord() const;
  // What the cell's editor starts from: the cell text, but "" for the empty
  // text of Text and Memo columns, told apart from NULL.
  QString editText(int row, int column) const;
  QString shownText(int row, int column) const;
  void rowChanged(int row);
  void scheduleSync() const;
  void remember(SavedChange change);
  void dropPending();
  // Why the saved change cannot be undone ("" when it can).
  std::string undoRefusal(const std::vector<SavedChange>& changes) const;

  std::shared_ptr<data::RecordSet> records_;
  ViewRows source_;
  mutable RowCache cache_;
  Status updatable_;
  int recordRows_ = 0;
  data::Record newRowLine_;  // what the new-row line shows
  std::optional<Pending> pending_;
  bool changingRows_ = false;
  mutable bool syncScheduled_ = false;
  mutable bool readFailureShown_ = false;
  mutable bool refreshScheduled_ = false;
  std::vector<std::vector<SavedChange>> undo_;
  std::optional<std::vector<SavedChange>> group_;
};

}  // namespace ledgerfen::editor
