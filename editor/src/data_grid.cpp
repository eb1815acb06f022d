#include "ledgerfen/editor/data_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <set>

#include "ledgerfen/shell/appearance.h"

namespace ledgerfen::editor {
namespace {

constexpr int kFirstRowsMeasured = 40;
constexpr int kWidestColumn = 320;

const char* const kKeptTyping = "\r\n\r\nThe row keeps what you typed: correct it, or press Esc to undo its changes.";

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
    : QTableView(parent), messages_(messages), delegate_(new Delegate(this)) {
  setItemDelegate(delegate_);
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
  setModel(nullptr);
  delete model_;
}

void DataGrid::setDataSource(std::shared_ptr<data::RecordSet> records) {
  GridModel* previous = model_;
  model_ = nullptr;
  readerRow_ = -1;
  if (records && records->isOpen()) {
    model_ = new GridModel(std::move(records), this);
    connect(model_, &GridModel::readFailed, this, [this](const QString& message) {
      messages_.show(message.toStdString(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    });
  }
  setModel(model_);
  delete previous;
  if (model_) {
    sizeColumns();
    setCurrentIndex(model_->index(0, 0));
  }
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
  const bool personStarts = trigger == DoubleClicked || trigger == EditKeyPressed ||
                            (trigger == AnyKeyPressed && event && !static_cast<QKeyEvent*>(event)->text().isEmpty() &&
                             static_cast<QKeyEvent*>(event)->text().at(0).isPrint());
  if (personStarts && model_ && !model_->updatable().ok()) {
    messages_.show(model_->updatable().error().message(), shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return false;
  }
  return QTableView::edit(index, trigger, event);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
  if (state() != EditingState && model_) {
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
  }
  QTableView::keyPressEvent(event);
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

}  // namespace ledgerfen::editor
