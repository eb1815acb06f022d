// DataGrid, the editor's grid: a table view bound to a record set (through
// a GridModel) that writes each edited row back by itself, and the grid
// reader through which the exports read what it shows.
//
// Writing back. Typing collects in the row being edited; when the person
// leaves that row for another, the row is written through the record set.
// When the engine refuses it, the grid shows the engine's message (once
// the move away has finished) and goes back to the row, which keeps what was typed, marked as not saved (a "!"
// beside it) until it is put right or Esc undoes the row's changes. Esc
// first leaves the cell being typed in, a second Esc undoes the row. The
// window commits the pending row itself before it goes away or exports
// (commitPendingRow).
//
// Adding and deleting. Typing on the last line ("*") adds a record; the
// AutoNumber shows once the engine has given it. Delete with whole rows
// selected deletes them after a confirmation; Delete on a cell empties it.
// A database that can only be read refuses every edit with the engine's
// message the moment a person starts one, and shows no new-row line; a
// notice above the column titles says so, and why.
//
// Beyond the write-back: Find (Ctrl+F opens the find bar, F3 finds the
// next match), sorting by a click on a column's title (ascending, then
// descending, then the table's own order), a filter box under each title,
// copying cells (Ctrl+C, as tab-separated text and an HTML table), pasting a
// block (Ctrl+V: row by row, each row written as leaving it would write
// it, stopping at a row the file refuses, which keeps what was pasted into
// it) and undoing the last saved change (Ctrl+Z). Sorting, filtering and
// searching run in the background (Esc stops them); GridViews and
// GridSearch hold that work, the status line says how far it is.
//
// The grid reader moves its own current row at once and the view's current
// row with it as soon as events run, so a pass over a large table is not
// slowed by repainting. UI thread only.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTableView>
#include <memory>

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/editor/grid_header.h"
#include "ledgerfen/editor/grid_model.h"
#include "ledgerfen/editor/grid_search.h"
#include "ledgerfen/editor/grid_views.h"
#include "ledgerfen/export/grid_reader.h"
#include "ledgerfen/shell/messages.h"

namespace ledgerfen::editor {

class DataGrid final : public QTableView, public exporting::GridReader {
  Q_OBJECT

 public:
  static constexpr const char* kToolTip = "Changes you make are automatically saved as you make them.";
  // The most rows Ctrl+C copies and Ctrl+V pastes at once.
  static constexpr int kMostCopiedRows = 20000;
  static constexpr int kMostPastedRows = 5000;

  explicit DataGrid(shell::MessageService& messages, QWidget* parent = nullptr);
  ~DataGrid() override;

  // Binds the grid to an open record set, or with null drops the one it
  // has (and with it the record set, unless someone else holds it) and
  // shows no rows. Typing not yet written is dropped.
  void setDataSource(std::shared_ptr<data::RecordSet> records);
  // The bound record set, or null.
  data::RecordSet* dataSource() const;
  GridModel* gridModel() const { return model_; }

  using QTableView::edit;

  // Ends the typing in the open cell, if any, keeping what was typed.
  void finishCellEdit();
  bool hasPendingRow() const { return model_ && model_->pendingRow().has_value(); }
  // Writes the row being edited (after ending the cell's typing). The
  // engine's error when it refuses; the row then keeps the typing.
  Status commitPendingRow();
  void revertPendingRow();
  // Makes the row being edited the current row and gives the grid the focus.
  void showPendingRow();
  // The Delete key: the selected rows after a confirmation, else the current cell.
  void deleteSelection();

  // Ctrl+F: shows the find bar with its text selected.
  void openFind();
  void closeFind();
  // F3: the next match after the current cell.
  void findNext();
  // A click on a column's title: the next sort of that column.
  void sortByColumn(int column);
  // The filter typed under a column ("" for none).
  void setColumnFilter(int column, const QString& typed);
  // Ctrl+C: the selected cells onto the clipboard.
  void copySelection();
  // Ctrl+V: the clipboard's cells from the current cell on.
  void pasteClipboard();
  // Ctrl+Z: the row being edited loses its typing; else the last saved change is undone.
  void undoLastChange();
  // Esc while sorting, filtering or searching: stops it. False when nothing ran.
  bool stopBackgroundWork();

  GridHeader* columnHeader() const { return header_; }
  FindBar* findBar() const { return findBar_; }
  QLabel* viewOnlyNotice() const { return notice_; }
  GridViews& views() { return *views_; }
  GridSearch& search() { return *search_; }
  // What the status line shows: the record count, the sort, the filters,
  // work under way, or the outcome of the last command.
  QString statusText() const;

  // exporting::GridReader
  int columnCount() const override;
  std::string columnCaption(int column) const override;
  exporting::ColumnKind columnKind(int column) const override;
  int64_t rowCount() const override;
  Status goToRow(int64_t row) override;
  Result<std::string> cellText(int column) override;

 signals:
  void statusChanged();

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  class Delegate;

  void sizeColumns();
  int readerRow() const;
  void followReader();
  // Writes the row being edited before the rows move; says why not and
  // goes back to it when it cannot.
  bool settleBeforeRowsMove();
  void explainViewOnly();
  void setNote(const QString& note);
  void showFound(int row, int column, bool wrapped);
  void orderChanging();
  void orderChanged();
  void showWaitingOrder();

  shell::MessageService& messages_;
  Delegate* delegate_;
  GridHeader* header_;
  QLabel* notice_;
  FindBar* findBar_;
  GridViews* views_;
  GridSearch* search_;
  GridModel* model_ = nullptr;
  QString note_;  // the outcome of the last command, until the next one
  // The record and column the cursor was on while the rows change order.
  std::optional<RowId> keptRecord_;
  int keptColumn_ = 0;
  bool returning_ = false;  // moving back to a row whose write failed
  bool following_ = false;  // moving the view to the reader's row
  bool followScheduled_ = false;
  int readerRow_ = -1;  // the grid reader's current row; -1: the view's
};

}  // namespace ledgerfen::editor
