#include "ledgerfen/editor/data_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <set>

#include "ledgerfen/data/view_only.h"
#include "ledgerfen/editor/grid_clipboard.h"
#include "ledgerfen/export/column_kind.h"
#include "ledgerfen/shell/appearance.h"

namespace ledgerfen::editor {
namespace {

constexpr int kFirstRowsMeasured = 40;
constexpr int kWidestColumn = 320;

const char* const kKeptTyping = "\r\n\r\nThe row keeps what you typed: correct it, or press Esc to undo its changes.";

QString counted(int64_t n) {
  return QLocale(QLocale::English).toString(qlonglong(n));
}

std::string deleteQuestion(size_t rows) {
  if (rows == 1) return "Delete the selected record? It cannot be brought back.";
  return "Delete the " + std::to_string(rows) + " selected records? They cannot be brought back.";
}

}  // namespace

// The standard editors, remembering the one that is open so that the grid
// can end its typing when the window goes on without a focus change.
class DataGrid::Delegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setFrame(false);
    open_ = editor;
    return editor;
  }
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (open_ == editor) open_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }
  QWidget* openEditor() const { return open_; }

 private:
  mutable QPointer<QWidget> open_;
};

DataGrid::DataGrid(shell::MessageService& messages, QWidget* parent)
    : QTableView(parent),
      messages_(messages),
      delegate_(new Delegate(this)),
      header_(new GridHeader(this)),
      notice_(new QLabel),
      findBar_(new FindBar),
      views_(new GridViews(this)),
      search_(new GridSearch(this)) {
  setItemDelegate(delegate_);
  setHorizontalHeader(header_);
  // A click on a title sorts; it does not select the column.
  disconnect(header_, &QHeaderView::sectionPressed, this, nullptr);
  disconnect(header_, &QHeaderView::sectionEntered, this, nullptr);
  connect(header_, &QHeaderView::sectionClicked, this, &DataGrid::sortByColumn);
  connect(header_, &GridHeader::filterTyped, this, &DataGrid::setColumnFilter);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, header_, &GridHeader::placeWidgets);

  notice_->setObjectName(QStringLiteral("ViewOnlyNotice"));
  notice_->setWordWrap(true);
  notice_->setMargin(4);
  // Its own colours, whatever skin the program wears: it must stand out.
  notice_->setStyleSheet(QStringLiteral("QLabel { background: #FFF4C2; color: black; padding: 2px; }"));
  notice_->hide();
  header_->addStrip(notice_);
  findBar_->hide();
  header_->addStrip(findBar_);
  connect(findBar_, &FindBar::findNext, this, &DataGrid::findNext);
  connect(findBar_, &FindBar::closeClicked, this, &DataGrid::closeFind);
  connect(findBar_, &FindBar::escapePressed, this, [this] {
    if (!stopBackgroundWork()) closeFind();
  });

  connect(views_, &GridViews::statusChanged, this, &DataGrid::statusChanged);
  connect(views_, &GridViews::orderChanging, this, &DataGrid::orderChanging);
  connect(views_, &GridViews::orderChanged, this, &DataGrid::orderChanged);
  connect(views_, &GridViews::mayChangeRows, this,
          [this](bool& allowed) { allowed = model_ && !model_->pendingRow() && state() != EditingState; });
  connect(views_, &GridViews::failed, this, [this](const QString& message) {
    messages_.show(message.toStdString(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
  });
  connect(search_, &GridSearch::found, this, &DataGrid::showFound);
  connect(search_, &GridSearch::notFound, this,
          [this] { setNote(QString("No cell holds \"%1\".").arg(findBar_->textBox()->text())); });
  connect(search_, &GridSearch::failed, this, [this](const QString& message) { setNote(message); });
  connect(search_, &GridSearch::progressChanged, this, [this] {
    if (search_->busy()) findBar_->setNote(QString("Searching... %1% (Esc stops)").arg(int(search_->progress() * 100)));
    emit statusChanged();
  });

  setToolTip(QString::fromUtf8(kToolTip));
  setFont(shell::arialFont(9, true));
  horizontalHeader()->setFont(shell::arialFont(9, true));
  verticalHeader()->setFont(shell::arialFont(9, true));
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("MM")));
  horizontalHeader()->setHighlightSections(false);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setWordWrap(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

DataGrid::~DataGrid() {
  // The window around the grid may be half gone already: tell it nothing more.
  blockSignals(true);
  disconnect(views_, nullptr, this, nullptr);
  disconnect(search_, nullptr, this, nullptr);
  views_->bind(nullptr);
  search_->bind(nullptr);
  setModel(nullptr);
  delete model_;
}

void DataGrid::setDataSource(std::shared_ptr<data::RecordSet> records) {
  views_->bind(nullptr);
  search_->bind(nullptr);
  GridModel* previous = model_;
  model_ = nullptr;
  readerRow_ = -1;
  note_.clear();
  QString notice;
  QStringList columns;
  if (records && records->isOpen()) {
    model_ = new GridModel(records, this);
    connect(model_, &GridModel::readFailed, this, [this](const QString& message) {
      messages_.show(message.toStdString(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    });
    connect(model_, &GridModel::pendingSettled, this, &DataGrid::showWaitingOrder, Qt::QueuedConnection);
    if (!model_->updatable().ok()) {
      notice = QString::fromStdString(data::viewOnlyNotice(records->viewOnlyReason(), records->databasePath()));
    }
    for (const Column& c : records->fields()) columns << QString::fromStdString(c.name);
  }
  setModel(model_);
  delete previous;
  header_->setSortIndicatorShown(false);
  header_->setFilterColumns(int(columns.size()));
  findBar_->setColumns(columns);
  findBar_->setNote(QString());
  notice_->setText(notice);
  notice_->setVisible(!notice.isEmpty());
  views_->bind(model_);
  search_->bind(model_);
  if (model_) {
    sizeColumns();
    setCurrentIndex(model_->index(0, 0));
  }
  emit statusChanged();
}

data::RecordSet* DataGrid::dataSource() const {
  return model_ ? &model_->records() : nullptr;
}

void DataGrid::sizeColumns() {
  const QFontMetrics metrics(font());
  const QFontMetrics headerMetrics(horizontalHeader()->font());
  const int rows = std::min(model_->recordRows(), kFirstRowsMeasured);
  for (int column = 0; column < model_->columnCount(); ++column) {
    int width = headerMetrics.horizontalAdvance(model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    if (model_->records().fields()[size_t(column)].autoNumber) {
      width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(GridModel::kNewAutoNumber)));
    }
    for (int row = 0; row < rows; ++row) {
      width = std::max(width, metrics.horizontalAdvance(model_->index(row, column).data().toString()));
    }
    setColumnWidth(column, std::min(width + 16, kWidestColumn));
  }
}

void DataGrid::finishCellEdit() {
  if (QWidget* editor = delegate_->openEditor()) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

Status DataGrid::commitPendingRow() {
  finishCellEdit();
  if (!model_) return okStatus();
  return model_->commitPendingRow();
}

void DataGrid::revertPendingRow() {
  if (QWidget* editor = delegate_->openEditor()) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
  if (model_) model_->revertPendingRow();
}

void DataGrid::showPendingRow() {
  setFocus();
  if (!model_ || !model_->pendingRow()) return;
  const int column = std::max(currentIndex().column(), 0);
  returning_ = true;
  selectionModel()->setCurrentIndex(model_->index(*model_->pendingRow(), column), QItemSelectionModel::ClearAndSelect);
  returning_ = false;
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!following_) readerRow_ = -1;
  if (!note_.isEmpty()) {
    note_.clear();
    emit statusChanged();
  }
  if (returning_ || !model_ || !previous.isValid() || model_->changingRows()) return;
  const std::optional<int> pending = model_->pendingRow();
  if (!pending || previous.row() != *pending || current.row() == *pending) return;
  Status written = model_->commitPendingRow();
  if (written) return;
  // The move that left the row finishes first (it may still select the
  // cell it reached); then the grid says why and goes back.
  QTimer::singleShot(0, this, [this, message = written.error().message() + kKeptTyping] {
    messages_.show(message, shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    showPendingRow();
  });
}

bool DataGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // Typing comes as key presses, or composed by an input method.
  QString typed;
  if (event && event->type() == QEvent::KeyPress) typed = static_cast<QKeyEvent*>(event)->text();
  if (event && event->type() == QEvent::InputMethod) typed = static_cast<QInputMethodEvent*>(event)->commitString();
  const bool personStarts = trigger == DoubleClicked || trigger == EditKeyPressed ||
                            (trigger == AnyKeyPressed && !typed.isEmpty() && typed.at(0).isPrint());
  if (personStarts && model_ && !model_->updatable().ok()) {
    explainViewOnly();
    return false;
  }
  return QTableView::edit(index, trigger, event);
}

void DataGrid::explainViewOnly() {
  messages_.show(model_->updatable().error().message(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
  if (model_) {
    if (event->matches(QKeySequence::Find)) {
      openFind();
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier) {
      findNext();
      event->accept();
      return;
    }
  }
  if (state() != EditingState && model_) {
    if (event->key() == Qt::Key_Escape && stopBackgroundWork()) {
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_Escape && model_->pendingRow()) {
      revertPendingRow();
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
      deleteSelection();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Copy)) {
      copySelection();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Paste)) {
      pasteClipboard();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Undo)) {
      undoLastChange();
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier && !model_->updatable().ok()) {
      explainViewOnly();
      event->accept();
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

void DataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTableView::closeEditor(editor, hint);
  QTimer::singleShot(0, this, &DataGrid::showWaitingOrder);
}

void DataGrid::deleteSelection() {
  if (!model_) return;
  if (!model_->updatable().ok()) {
    messages_.show(model_->updatable().error().message(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return;
  }
  std::set<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) {
    if (!model_->isNewRowLine(index.row())) rows.insert(index.row());
  }
  if (rows.empty()) {
    // No whole row selected: Delete empties the current cell (NULL), as typing would.
    const QModelIndex cell = currentIndex();
    if (cell.isValid() && (model_->flags(cell) & Qt::ItemIsEditable)) model_->setData(cell, QString(), Qt::EditRole);
    return;
  }
  const std::optional<int> pending = model_->pendingRow();
  if (pending && !rows.count(*pending)) {
    Status written = model_->commitPendingRow();
    if (!written) {
      messages_.show(written.error().message() + kKeptTyping, shell::MessageButtons::Ok, shell::MessageIcon::Warning);
      showPendingRow();
      return;
    }
  }
  const std::vector<int> doomed(rows.begin(), rows.end());
  if (messages_.show(deleteQuestion(doomed.size()), shell::MessageButtons::YesNoDefaultNo,
                     shell::MessageIcon::Warning) != shell::MessageAnswer::Yes) {
    return;
  }
  Status deleted = model_->deleteRecords(doomed);
  if (!deleted) {
    messages_.show(deleted.error().message(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
  }
}

int DataGrid::columnCount() const {
  return model_ ? model_->columnCount() : 0;
}

std::string DataGrid::columnCaption(int column) const {
  if (!model_ || column < 0 || column >= model_->columnCount()) return {};
  return model_->records().fields()[size_t(column)].name;
}

exporting::ColumnKind DataGrid::columnKind(int column) const {
  if (!model_ || column < 0 || column >= model_->columnCount()) return exporting::ColumnKind::Text;
  return exporting::columnKindOf(model_->records().fields()[size_t(column)]);
}

int64_t DataGrid::rowCount() const {
  if (!model_) return 0;
  auto count = model_->exactRecordCount();
  return count ? *count : model_->recordRows();
}

int DataGrid::readerRow() const {
  return readerRow_ >= 0 ? readerRow_ : currentIndex().row();
}

Status DataGrid::goToRow(int64_t row) {
  if (!model_) return Error(ErrorKind::InvalidArgument, "the grid shows no table");
  if (row < 1 || row > model_->recordRows()) {
    return Error(ErrorKind::InvalidArgument, "there is no row " + std::to_string(row) + " in the grid");
  }
  readerRow_ = int(row - 1);
  if (!followScheduled_) {
    followScheduled_ = true;
    QTimer::singleShot(0, this, [this] { followReader(); });
  }
  return okStatus();
}

void DataGrid::followReader() {
  followScheduled_ = false;
  if (!model_ || readerRow_ < 0 || readerRow_ >= model_->recordRows()) return;
  following_ = true;
  setCurrentIndex(model_->index(readerRow_, std::max(currentIndex().column(), 0)));
  following_ = false;
}

Result<std::string> DataGrid::cellText(int column) {
  if (!model_) return Error(ErrorKind::InvalidArgument, "the grid shows no table");
  return model_->recordText(readerRow(), column);
}

QString DataGrid::statusText() const {
  if (!model_) return {};
  if (search_->busy()) return QString("Searching... %1% (Esc stops)").arg(int(search_->progress() * 100));
  if (!note_.isEmpty() && !views_->busy()) return note_;
  return views_->statusText();
}

void DataGrid::setNote(const QString& note) {
  note_ = note;
  findBar_->setNote(note);
  emit statusChanged();
}

bool DataGrid::stopBackgroundWork() {
  bool stopped = false;
  if (search_->busy()) {
    search_->stop();
    setNote(QStringLiteral("Search stopped."));
    stopped = true;
  }
  if (views_->busy()) {
    views_->stop();
    stopped = true;
  }
  return stopped;
}

bool DataGrid::settleBeforeRowsMove() {
  finishCellEdit();
  if (!model_ || !model_->pendingRow()) return true;
  Status written = model_->commitPendingRow();
  if (written) return true;
  messages_.show(written.error().message() + kKeptTyping, shell::MessageButtons::Ok, shell::MessageIcon::Warning);
  showPendingRow();
  return false;
}

void DataGrid::sortByColumn(int column) {
  if (!model_ || !settleBeforeRowsMove()) return;
  note_.clear();
  if (!views_->cycleSort(column)) {
    setNote(QString("Cannot sort by %1: its values (OLE objects, attachments) have no order.")
                .arg(model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()));
  }
}

void DataGrid::setColumnFilter(int column, const QString& typed) {
  if (!model_) return;
  note_.clear();
  // An error is shown at the box; the rows stay as they were.
  const auto wanted = views_->filters();
  const bool changes = wanted.count(column) ? wanted.at(column) != typed.trimmed() : !typed.trimmed().isEmpty();
  if (changes && !settleBeforeRowsMove()) return;
  const std::optional<QString> error = views_->setFilter(column, typed);
  header_->markFilter(column, error.value_or(QString()));
}

void DataGrid::orderChanging() {
  keptRecord_.reset();
  keptColumn_ = std::max(currentIndex().column(), 0);
  if (model_ && currentIndex().isValid() && currentIndex().row() < model_->recordRows()) {
    keptRecord_ = model_->recordIdAt(currentIndex().row());
  }
}

void DataGrid::orderChanged() {
  if (!model_) return;
  const GridViews::Sort sort = views_->sort();
  header_->setSortIndicatorShown(views_->sort().column >= 0);
  if (sort.column >= 0) {
    header_->setSortIndicator(
        sort.column, sort.direction == data::SortDirection::Ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
  }
  int row = keptRecord_ ? model_->rowOfRecord(*keptRecord_) : -1;
  if (row < 0) row = 0;
  const QModelIndex cell = model_->index(row, keptColumn_);
  if (cell.isValid()) {
    setCurrentIndex(cell);
    scrollTo(cell, row == 0 ? EnsureVisible : PositionAtCenter);
  }
  emit statusChanged();
}

void DataGrid::showWaitingOrder() {
  if (model_ && views_->hasWaitingResult() && !model_->pendingRow() && state() != EditingState) {
    views_->showWaitingResult();
  }
}

void DataGrid::openFind() {
  findBar_->show();
  findBar_->textBox()->setFocus();
  findBar_->textBox()->selectAll();
}

void DataGrid::closeFind() {
  search_->stop();
  findBar_->hide();
  setFocus();
}

void DataGrid::findNext() {
  if (!model_) return;
  if (findBar_->textBox()->text().isEmpty()) {
    openFind();
    return;
  }
  note_.clear();
  const QModelIndex at = currentIndex();
  search_->findNext(findBar_->query(), at.isValid() ? at.row() : 0, at.isValid() ? at.column() : -1);
}

void DataGrid::showFound(int row, int column, bool wrapped) {
  if (!model_) return;
  const QModelIndex cell = model_->index(row, column);
  if (!cell.isValid()) return;
  setCurrentIndex(cell);
  scrollTo(cell, PositionAtCenter);
  setNote(wrapped ? QString("Found in row %1, going on from the first row.").arg(counted(row + 1))
                  : QString("Found in row %1.").arg(counted(row + 1)));
}

void DataGrid::copySelection() {
  if (!model_) return;
  QModelIndexList cells = selectionModel()->selectedIndexes();
  if (cells.isEmpty() && currentIndex().isValid()) cells << currentIndex();
  if (cells.isEmpty()) return;
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
  std::set<std::pair<int, int>> chosen;
  for (const QModelIndex& cell : cells) {
    // The new-row line holds no record to copy.
    if (cell.row() >= model_->recordRows() && !(model_->pendingRow() && *model_->pendingRow() == cell.row())) continue;
    top = std::min(top, cell.row());
    bottom = std::max(bottom, cell.row());
    left = std::min(left, cell.column());
    right = std::max(right, cell.column());
    chosen.emplace(cell.row(), cell.column());
  }
  if (chosen.empty()) return;
  if (bottom - top + 1 > kMostCopiedRows) {
    messages_.show("Ctrl+C copies at most " + counted(kMostCopiedRows).toStdString() + " rows at a time; " +
                       counted(bottom - top + 1).toStdString() +
                       " are selected. Export Table As.. writes a whole table to a file.",
                   shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return;
  }
  for (int row = top; row <= bottom; ++row) {
    if (!model_->isRowKnown(row)) {
      messages_.show("The sorted order is still being read: copy again in a moment.", shell::MessageButtons::Ok,
                     shell::MessageIcon::Warning);
      return;
    }
  }
  CellBlock block;
  for (int row = top; row <= bottom; ++row) {
    std::vector<QString> cellsOfRow;
    for (int column = left; column <= right; ++column) {
      cellsOfRow.push_back(chosen.count({row, column}) ? model_->index(row, column).data().toString() : QString());
    }
    block.push_back(std::move(cellsOfRow));
  }
  auto* mime = new QMimeData;
  mime->setText(cellsAsText(block));
  mime->setHtml(cellsAsHtml(block));
  QApplication::clipboard()->setMimeData(mime);
  const int64_t copied = int64_t(chosen.size());
  setNote(QString("Copied %1 %2.").arg(counted(copied), copied == 1 ? "cell" : "cells"));
}

void DataGrid::pasteClipboard() {
  if (!model_) return;
  if (!model_->updatable().ok()) {
    explainViewOnly();
    return;
  }
  const CellBlock block = cellsFromText(QApplication::clipboard()->text());
  if (block.empty() || block.front().empty()) return;
  if (!settleBeforeRowsMove()) return;
  const QModelIndex start = currentIndex();
  if (!start.isValid()) return;
  // One value into a larger selection fills it, as spreadsheets do.
  CellBlock cells = block;
  int top = start.row(), left = start.column();
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (block.size() == 1 && block.front().size() == 1 && selected.size() > 1) {
    int bottom = -1, right = -1;
    top = left = INT_MAX;
    for (const QModelIndex& cell : selected) {
      top = std::min(top, cell.row());
      left = std::min(left, cell.column());
      bottom = std::max(bottom, cell.row());
      right = std::max(right, cell.column());
    }
    cells.assign(size_t(bottom - top + 1), std::vector<QString>(size_t(right - left + 1), block[0][0]));
  }
  const int width = int(cells.front().size());
  if (left + width > model_->columnCount()) {
    messages_.show("The clipboard holds " + std::to_string(width) + " columns, but only " +
                       std::to_string(model_->columnCount() - left) +
                       " follow the current cell. Nothing was pasted: start further left.",
                   shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return;
  }
  if (int(cells.size()) > kMostPastedRows) {
    messages_.show("Ctrl+V pastes at most " + std::to_string(kMostPastedRows) +
                       " rows at a time; the clipboard holds " + std::to_string(cells.size()) + ". Nothing was pasted.",
                   shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return;
  }
  for (int i = 0; i < int(cells.size()) && top + i < model_->recordRows(); ++i) {
    if (!model_->isRowKnown(top + i)) {
      messages_.show("The sorted order is still being read: paste again in a moment.", shell::MessageButtons::Ok,
                     shell::MessageIcon::Warning);
      return;
    }
  }

  std::set<QString> untypable;  // columns whose cells cannot be typed into
  int written = 0;
  model_->beginChangeGroup();
  for (int i = 0; i < int(cells.size()); ++i) {
    // Rows past the records go into the new-row line, one record each.
    const int row = std::min(top + i, model_->recordRows());
    if (row >= model_->rowCount()) break;
    for (int j = 0; j < width; ++j) {
      const QModelIndex cell = model_->index(row, left + j);
      const QString& text = cells[size_t(i)][size_t(j)];
      if (!(model_->flags(cell) & Qt::ItemIsEditable)) {
        if (text != cell.data().toString())
          untypable.insert(model_->headerData(left + j, Qt::Horizontal, Qt::DisplayRole).toString());
        continue;
      }
      model_->setData(cell, text, Qt::EditRole);
    }
    if (!model_->pendingRow()) continue;  // the row already held what was pasted
    Status saved = model_->commitPendingRow();
    if (!saved) {
      model_->endChangeGroup();
      const int notPasted = int(cells.size()) - i - 1;
      std::string message = "Row " + std::to_string(i + 1) +
                            " of the pasted rows could not be saved: " + saved.error().message() + "\r\n\r\n" +
                            std::to_string(written) + (written == 1 ? " row before it was" : " rows before it were") +
                            " saved. It keeps what was pasted into it, marked \"!\": correct it, or press Esc to "
                            "undo its changes.";
      if (notPasted > 0) {
        message += " The " + std::to_string(notPasted) +
                   (notPasted == 1 ? " row after it was not pasted." : " rows after it were not pasted.");
      }
      messages_.show(message, shell::MessageButtons::Ok, shell::MessageIcon::Warning);
      showPendingRow();
      emit statusChanged();
      return;
    }
    ++written;
  }
  model_->endChangeGroup();
  const QModelIndex first = model_->index(top, left);
  const QModelIndex last = model_->index(std::min(top + int(cells.size()), model_->rowCount()) - 1, left + width - 1);
  returning_ = true;
  setCurrentIndex(first);
  selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
  returning_ = false;
  setNote(QString("Pasted %1 %2; each was saved.").arg(counted(written), written == 1 ? "row" : "rows"));
  if (!untypable.empty()) {
    QStringList names(untypable.begin(), untypable.end());
    messages_.show("The cells of " + names.join(", ").toStdString() +
                       " cannot be typed into (AutoNumbers, calculated fields, binary data): they kept their "
                       "values, and what the clipboard held for them was left out.",
                   shell::MessageButtons::Ok, shell::MessageIcon::None);
  }
}

void DataGrid::undoLastChange() {
  if (!model_) return;
  if (model_->pendingRow()) {
    revertPendingRow();
    setNote(QStringLiteral("The row's typing was undone."));
    return;
  }
  if (!model_->updatable().ok()) {
    explainViewOnly();
    return;
  }
  int row = -1;
  Status undone = model_->undoLastChange(row);
  if (!undone) {
    messages_.show(undone.error().message(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return;
  }
  if (row >= 0) {
    const QModelIndex cell = model_->index(row, std::max(currentIndex().column(), 0));
    returning_ = true;
    setCurrentIndex(cell);
    returning_ = false;
    scrollTo(cell);
  }
  setNote(QStringLiteral("The last saved change was undone."));
}

}  // namespace ledgerfen::editor
