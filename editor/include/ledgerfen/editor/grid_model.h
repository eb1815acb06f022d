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
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/editor/row_cache.h"
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

 signals:
  // Reading records failed (the file became unreadable): the engine's message.
  void readFailed(const QString& message) const;

 private:
  struct Pending {
    bool isNew = false;
    int row = 0;
    data::Record original;         // as read (a new row: the columns' defaults)
    std::map<int, QString> typed;  // by column
    QString error;
  };

  const data::Record* recordAt(int row) const;
  // A record of the columns' defaults, NULL where a column has none.
  data::Record newRecord() const;
  // What the cell's editor starts from: the cell text, but "" for the empty
  // text of Text and Memo columns, told apart from NULL.
  QString editText(int row, int column) const;
  QString shownText(int row, int column) const;
  void rowChanged(int row);
  void scheduleSync() const;

  std::shared_ptr<data::RecordSet> records_;
  RecordSetRows source_;
  mutable RowCache cache_;
  Status updatable_;
  int recordRows_ = 0;
  data::Record newRowLine_;  // what the new-row line shows
  std::optional<Pending> pending_;
  bool changingRows_ = false;
  mutable bool syncScheduled_ = false;
  mutable bool readFailureShown_ = false;
};

}  // namespace ledgerfen::editor
