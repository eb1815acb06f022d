#include "ledgerfen/editor/grid_model.h"

#include <QBrush>
#include <QColor>
#include <QMetaObject>
#include <algorithm>
#include <climits>

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/default_value.h"

namespace ledgerfen::editor {
namespace {

// Qt counts rows in int: the records shown stop short of that.
constexpr int64_t kMostRows = INT_MAX - 2;

int shownRows(int64_t records) {
  return int(std::min(records, kMostRows));
}

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

bool isText(const Column& c) {
  return c.type == ColumnType::Text || c.type == ColumnType::Memo;
}

}  // namespace

GridModel::GridModel(std::shared_ptr<data::RecordSet> records, QObject* parent)
    : GridModel(std::move(records), RowCache::Limits(), parent) {}

GridModel::GridModel(std::shared_ptr<data::RecordSet> records, RowCache::Limits limits, QObject* parent)
    : QAbstractTableModel(parent),
      records_(std::move(records)),
      source_(*records_),
      cache_(source_, limits),
      updatable_(records_->checkUpdatable()),
      recordRows_(shownRows(records_->recordCount())),
      newRowLine_(newRecord()) {}

GridModel::~GridModel() = default;

int GridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return recordRows_ + (pendingIsNew() ? 1 : 0) + (updatable_.ok() ? 1 : 0);
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(records_->fields().size());
}

bool GridModel::isNewRowLine(int row) const {
  return updatable_.ok() && row == rowCount() - 1;
}

std::optional<int> GridModel::pendingRow() const {
  if (!pending_) return std::nullopt;
  return pending_->isNew ? recordRows_ : pending_->row;
}

void GridModel::scheduleSync() const {
  if (syncScheduled_ || shownRows(records_->recordCount()) == recordRows_) return;
  syncScheduled_ = true;
  QMetaObject::invokeMethod(const_cast<GridModel*>(this), &GridModel::syncRowCount, Qt::QueuedConnection);
}

const data::Record* GridModel::recordAt(int row) const {
  if (row < 0 || row >= recordRows_) return nullptr;
  auto record = cache_.row(row);
  scheduleSync();
  if (!record) {
    if (!readFailureShown_) {
      readFailureShown_ = true;
      QMetaObject::invokeMethod(
          const_cast<GridModel*>(this), [this, message = qs(record.error().message())] { emit readFailed(message); },
          Qt::QueuedConnection);
    }
    return nullptr;
  }
  return *record;
}

data::Record GridModel::newRecord() const {
  data::Record record;
  for (const Column& c : records_->fields()) record.values.push_back(defaultValue(c).value_or(Value()));
  return record;
}

QString GridModel::shownText(int row, int column) const {
  const Column& c = records_->fields()[size_t(column)];
  if (pending_ && pendingRow() == row) {
    if (auto typed = pending_->typed.find(column); typed != pending_->typed.end()) return typed->second;
    if (pending_->isNew && c.autoNumber) return QString(kNewAutoNumber);
    return qs(data::cellText(c, pending_->original.values[size_t(column)]));
  }
  if (row >= recordRows_) {
    return c.autoNumber ? QString(kNewAutoNumber) : qs(data::cellText(c, newRowLine_.values[size_t(column)]));
  }
  const data::Record* record = recordAt(row);
  return record ? qs(data::cellText(c, record->values[size_t(column)])) : QString();
}

QString GridModel::editText(int row, int column) const {
  const Column& c = records_->fields()[size_t(column)];
  if (pending_ && pendingRow() == row && pending_->typed.count(column)) return pending_->typed.at(column);
  const data::Record* record = nullptr;
  if (pending_ && pendingRow() == row) {
    record = &pending_->original;
  } else if (row < recordRows_) {
    record = recordAt(row);
  } else if (isNewRowLine(row)) {
    record = &newRowLine_;
  }
  if (record && isText(c)) {
    const auto* text = std::get_if<std::string>(&record->values[size_t(column)]);
    if (text && text->empty()) return QString::fromUtf8(data::kEmptyTextTyped.data(), data::kEmptyTextTyped.size());
  }
  return shownText(row, column);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  switch (role) {
    case Qt::DisplayRole: return shownText(index.row(), index.column());
    case Qt::EditRole: return editText(index.row(), index.column());
    case Qt::BackgroundRole:
      // Typing that the engine refused stands out until it is put right.
      if (pending_ && !pending_->error.isEmpty() && pendingRow() == index.row() &&
          pending_->typed.count(index.column())) {
        return QBrush(QColor(0xFF, 0xE0, 0xE0));
      }
      return {};
    case Qt::ToolTipRole:
      if (pending_ && !pending_->error.isEmpty() && pendingRow() == index.row()) return pending_->error;
      return {};
    default: return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
    return qs(records_->fields()[size_t(section)].name);
  }
  if (role == Qt::ToolTipRole && pending_ && pendingRow() == section && !pending_->error.isEmpty()) {
    return pending_->error;
  }
  if (role != Qt::DisplayRole) return {};
  if (pending_ && pendingRow() == section) {
    return QString::fromUtf8(pending_->error.isEmpty() ? kEditingMark : kNotSavedMark);
  }
  if (isNewRowLine(section)) return QString(kNewRowMark);
  return QString();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (updatable_.ok() && data::isEditableCell(records_->fields()[size_t(index.column())])) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

void GridModel::rowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  emit headerDataChanged(Qt::Vertical, row, row);
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  const int row = index.row();
  const int column = index.column();
  const QString typed = value.toString();
  if (pending_ && pendingRow() != row) return false;  // one row is typed at a time

  if (!pending_) {
    if (typed == editText(row, column)) return true;
    if (isNewRowLine(row)) {
      // The line becomes the row being added, and a new line opens below it.
      beginInsertRows(QModelIndex(), row + 1, row + 1);
      pending_ = Pending{true, recordRows_, newRecord(), {}, {}};
      endInsertRows();
    } else {
      const data::Record* record = recordAt(row);
      if (!record) return false;
      pending_ = Pending{false, row, *record, {}, {}};
    }
  }
  Pending& pending = *pending_;
  const QString before = [&] {
    const Column& c = records_->fields()[size_t(column)];
    const auto* text = std::get_if<std::string>(&pending.original.values[size_t(column)]);
    if (isText(c) && text && text->empty()) {
      return QString::fromUtf8(data::kEmptyTextTyped.data(), data::kEmptyTextTyped.size());
    }
    return qs(data::cellText(c, pending.original.values[size_t(column)]));
  }();
  if (typed == before) {
    pending.typed.erase(column);
  } else {
    pending.typed[column] = typed;
  }
  // A record whose typing all came back to what it held is no longer edited.
  if (!pending.isNew && pending.typed.empty() && pending.error.isEmpty()) pending_.reset();
  rowChanged(row);
  return true;
}

Status GridModel::commitPendingRow() {
  if (!pending_) return okStatus();
  Pending& pending = *pending_;
  const int row = *pendingRow();
  const auto& fields = records_->fields();
  std::vector<Value> after = pending.original.values;
  Status outcome = [&]() -> Status {
    for (const auto& [column, text] : pending.typed) {
      LF_ASSIGN_OR_RETURN(after[size_t(column)], data::parseCellText(fields[size_t(column)], text.toStdString()));
    }
    return okStatus();
  }();
  // A new row is added once anything was typed into it, defaults and all.
  bool changed = pending.isNew && !pending.typed.empty();
  for (size_t i = 0; outcome && i < after.size(); ++i)
    changed = changed || !sameValue(after[i], pending.original.values[i]);
  if (outcome && !changed) {
    // Nothing to write: typing that came back to the values as read.
    revertPendingRow();
    return okStatus();
  }
  if (outcome && pending.isNew) {
    auto added = records_->addNew(after);
    if (added) {
      // The row being added becomes the last record, the new-row line stays below it.
      pending_.reset();
      if (records_->recordCount() == int64_t(row) + 1) {
        recordRows_ = row + 1;
        cache_.store(row, std::move(*added));
        rowChanged(row);
      } else {
        // The count moved under the grid meanwhile: show the records afresh.
        beginResetModel();
        cache_.clear();
        recordRows_ = shownRows(records_->recordCount());
        endResetModel();
      }
      return okStatus();
    }
    outcome = added.error();
  } else if (outcome) {
    auto stored = records_->update(pending.original, after);
    if (stored) {
      pending_.reset();
      cache_.store(row, std::move(*stored));
      rowChanged(row);
      return okStatus();
    }
    outcome = stored.error();
  }
  pending.error = qs(outcome.error().message());
  rowChanged(row);
  return outcome;
}

void GridModel::revertPendingRow() {
  if (!pending_) return;
  if (pending_->isNew) {
    const int row = recordRows_;
    changingRows_ = true;
    beginRemoveRows(QModelIndex(), row, row);
    pending_.reset();
    endRemoveRows();
    changingRows_ = false;
    return;
  }
  const int row = pending_->row;
  // Read it again: after a conflict the file holds other values than those first read.
  auto fresh = records_->reread(pending_->original);
  if (fresh) {
    cache_.store(row, std::move(*fresh));
  } else {
    cache_.clear();
  }
  pending_.reset();
  rowChanged(row);
}

Status GridModel::deleteRecords(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (pending_ && pending_->isNew && std::binary_search(rows.begin(), rows.end(), recordRows_)) revertPendingRow();
  rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= recordRows_; }), rows.end());
  if (rows.empty()) return okStatus();
  if (pending_ && !std::binary_search(rows.begin(), rows.end(), *pendingRow())) {
    return Error(ErrorKind::InvalidArgument, "the row being edited must be saved before other rows are deleted");
  }

  std::vector<std::pair<int64_t, data::Record>> doomed;
  for (int r : rows) {
    if (pending_ && !pending_->isNew && pending_->row == r) {
      doomed.emplace_back(r, pending_->original);
      continue;
    }
    LF_ASSIGN_OR_RETURN(const data::Record* record, cache_.row(r));
    if (!record) return Error(ErrorKind::NotFound, "row " + std::to_string(r + 1) + " no longer exists");
    doomed.emplace_back(r, *record);
  }
  LF_RETURN_IF_ERROR(records_->remove(doomed));

  if (pending_ && !pending_->isNew) pending_.reset();
  cache_.clear();
  // Remove the rows from the last run of consecutive rows to the first.
  changingRows_ = true;
  for (size_t end = rows.size(); end > 0;) {
    size_t start = end - 1;
    while (start > 0 && rows[start - 1] == rows[start] - 1) --start;
    beginRemoveRows(QModelIndex(), rows[start], rows[end - 1]);
    recordRows_ -= int(end - start);
    endRemoveRows();
    end = start;
  }
  changingRows_ = false;
  if (pending_) emit headerDataChanged(Qt::Vertical, recordRows_, recordRows_);
  syncRowCount();
  return okStatus();
}

Result<std::string> GridModel::recordText(int row, int column) {
  if (row < 0 || row >= recordRows_ || column < 0 || column >= columnCount()) {
    return Error(ErrorKind::InvalidArgument,
                 "there is no cell at row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1));
  }
  LF_ASSIGN_OR_RETURN(const data::Record* record, cache_.row(row));
  if (!record) return Error(ErrorKind::NotFound, "row " + std::to_string(row + 1) + " no longer exists");
  return data::cellText(records_->fields()[size_t(column)], record->values[size_t(column)]);
}

Result<int64_t> GridModel::exactRecordCount() {
  LF_ASSIGN_OR_RETURN(int64_t count, records_->exactRecordCount());
  syncRowCount();
  return std::min(count, int64_t(recordRows_));
}

void GridModel::syncRowCount() {
  syncScheduled_ = false;
  const int wanted = shownRows(records_->recordCount());
  if (wanted > recordRows_) {
    beginInsertRows(QModelIndex(), recordRows_, wanted - 1);
    recordRows_ = wanted;
    endInsertRows();
  } else if (wanted < recordRows_) {
    if (pending_ && !pending_->isNew && pending_->row >= wanted) pending_.reset();
    changingRows_ = true;
    beginRemoveRows(QModelIndex(), wanted, recordRows_ - 1);
    recordRows_ = wanted;
    endRemoveRows();
    changingRows_ = false;
  }
}

}  // namespace ledgerfen::editor
