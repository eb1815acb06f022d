#include "ledgerfen/editor/grid_model.h"

#include <QBrush>
#include <QColor>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <set>

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/default_value.h"

namespace ledgerfen::editor {
namespace {

// Qt counts rows in int: the records shown stop short of that.
constexpr int64_t kMostRows = INT_MAX - 2;
// How soon rows shown empty while the positions are gathered are shown again.
constexpr int kGatheringRefreshMs = 15;

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
      recordRows_(shownRows(source_.rowCount())),
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
  if (syncScheduled_ || shownRows(source_.rowCount()) == recordRows_) return;
  syncScheduled_ = true;
  QMetaObject::invokeMethod(const_cast<GridModel*>(this), &GridModel::syncRowCount, Qt::QueuedConnection);
}

const data::Record* GridModel::recordAt(int row) const {
  if (row < 0 || row >= recordRows_ || !source_.isKnown(row)) return nullptr;
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

bool GridModel::showsLater(int row) const {
  if (!source_.isTableOrder() || cache_.isLoaded(row)) return false;
  const int64_t batchRows = cache_.limits().batchRows;
  if (!records_->waitsForGathering(row - row % batchRows)) return false;
  if (!refreshScheduled_) {
    refreshScheduled_ = true;
    GridModel* model = const_cast<GridModel*>(this);
    QTimer::singleShot(kGatheringRefreshMs, model, [model] {
      model->refreshScheduled_ = false;
      if (model->recordRows_ > 0) {
        emit model->dataChanged(model->index(0, 0), model->index(model->recordRows_ - 1, model->columnCount() - 1));
      }
    });
  }
  return true;
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
  if (showsLater(row)) return QString();
  const data::Record* record = recordAt(row);
  if (record && source_.isGone(record->id)) return QString(kDeletedRecord);
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
  if (updatable_.ok() && data::isEditableCell(records_->fields()[size_t(index.column())]) &&
      source_.isKnown(index.row())) {
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
      source_.append(added->id);
      remember(SavedChange{true, {}, *added});
      const RowId id = added->id;
      if (source_.rowCount() == int64_t(row) + 1) {
        recordRows_ = row + 1;
        cache_.store(row, std::move(*added));
        rowChanged(row);
      } else {
        // The count moved under the grid meanwhile: show the records afresh.
        beginResetModel();
        cache_.clear();
        recordRows_ = shownRows(source_.rowCount());
        endResetModel();
      }
      emit recordAdded(id);
      emit pendingSettled();
      return okStatus();
    }
    outcome = added.error();
  } else if (outcome) {
    auto stored = records_->update(pending.original, after);
    if (stored) {
      remember(SavedChange{false, pending.original, *stored});
      pending_.reset();
      cache_.store(row, std::move(*stored));
      rowChanged(row);
      emit pendingSettled();
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
    emit pendingSettled();
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
  emit pendingSettled();
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

  // The record set counts positions in its own order; a list shows them in another.
  const auto positionOf = [&](int r, const data::Record& record) -> Result<int64_t> {
    if (source_.isTableOrder()) return int64_t(r);
    return records_->positionOf(record.id);
  };
  std::vector<std::pair<int64_t, data::Record>> doomed;
  std::vector<RowId> ids;
  for (int r : rows) {
    if (!source_.isKnown(r))
      return Error(ErrorKind::InvalidArgument, "row " + std::to_string(r + 1) + " is not read yet");
    if (pending_ && !pending_->isNew && pending_->row == r) {
      LF_ASSIGN_OR_RETURN(int64_t position, positionOf(r, pending_->original));
      doomed.emplace_back(position, pending_->original);
      ids.push_back(pending_->original.id);
      continue;
    }
    LF_ASSIGN_OR_RETURN(const data::Record* record, cache_.row(r));
    if (!record) return Error(ErrorKind::NotFound, "row " + std::to_string(r + 1) + " no longer exists");
    const data::Record held = *record;
    LF_ASSIGN_OR_RETURN(int64_t position, positionOf(r, held));
    doomed.emplace_back(position, held);
    ids.push_back(held.id);
  }
  LF_RETURN_IF_ERROR(records_->remove(doomed));

  const bool pendingGone = pending_ && !pending_->isNew;
  if (pendingGone) pending_.reset();
  source_.forget(std::set<RowId>(ids.begin(), ids.end()));
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
  emit recordsDeleted(ids);
  if (pendingGone) emit pendingSettled();
  return okStatus();
}

Result<std::string> GridModel::recordText(int row, int column) {
  if (row < 0 || row >= recordRows_ || column < 0 || column >= columnCount() || !source_.isKnown(row)) {
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
  const int wanted = shownRows(source_.rowCount());
  if (wanted > recordRows_) {
    beginInsertRows(QModelIndex(), recordRows_, wanted - 1);
    recordRows_ = wanted;
    endInsertRows();
  } else if (wanted < recordRows_) {
    if (pending_ && !pending_->isNew && pending_->row >= wanted) dropPending();
    changingRows_ = true;
    beginRemoveRows(QModelIndex(), wanted, recordRows_ - 1);
    recordRows_ = wanted;
    endRemoveRows();
    changingRows_ = false;
  }
}

void GridModel::dropPending() {
  pending_.reset();
  emit pendingSettled();
}

void GridModel::showOrder(ViewRows::Order order, int64_t total) {
  beginResetModel();
  source_.showOrder(std::move(order), total);
  cache_.clear();
  recordRows_ = shownRows(source_.rowCount());
  endResetModel();
}

void GridModel::showTableOrder() {
  beginResetModel();
  source_.showTableOrder();
  cache_.clear();
  recordRows_ = shownRows(source_.rowCount());
  endResetModel();
}

bool GridModel::isRowKnown(int row) const {
  return source_.isKnown(row);
}

std::optional<RowId> GridModel::recordIdAt(int row) const {
  if (pending_ && pendingRow() == row && !pending_->isNew) return pending_->original.id;
  if (!source_.isTableOrder()) return source_.listedId(row);
  const data::Record* record = recordAt(row);
  if (!record) return std::nullopt;
  return record->id;
}

int GridModel::rowOfRecord(RowId id) {
  int64_t row = -1;
  if (source_.isTableOrder()) {
    auto position = records_->positionOf(id);
    if (position) row = *position;
  } else {
    row = source_.rowOfListed(id);
  }
  return row >= 0 && row < recordRows_ ? int(row) : -1;
}

void GridModel::remember(SavedChange change) {
  if (group_) {
    group_->push_back(std::move(change));
    return;
  }
  undo_.push_back({std::move(change)});
  if (undo_.size() > kMostUndoneChanges) undo_.erase(undo_.begin());
}

void GridModel::beginChangeGroup() {
  if (!group_) group_.emplace();
}

void GridModel::endChangeGroup() {
  if (!group_) return;
  std::vector<SavedChange> changes = std::move(*group_);
  group_.reset();
  if (changes.empty()) return;
  undo_.push_back(std::move(changes));
  if (undo_.size() > kMostUndoneChanges) undo_.erase(undo_.begin());
}

std::string GridModel::undoRefusal(const std::vector<SavedChange>& changes) const {
  const auto& fields = records_->fields();
  for (const SavedChange& change : changes) {
    auto now = records_->readRecord(change.after.id);
    if (!now) {
      if (now.error().kind() == ErrorKind::NotFound) return "the record it saved has been deleted since";
      return now.error().message();
    }
    for (size_t c = 0; c < fields.size() && c < now->values.size(); ++c) {
      if (!sameValue(now->values[c], change.after.values[c])) {
        return "the record was changed since it was saved (field " + fields[c].name + " holds " +
               (isNull(now->values[c]) ? std::string("nothing")
                                       : "\"" + data::cellText(fields[c], now->values[c]) + "\"") +
               ")";
      }
    }
  }
  return {};
}

Status GridModel::undoLastChange(int& row) {
  row = -1;
  if (pending_) {
    return Error(ErrorKind::InvalidArgument, "the row being edited must be saved or undone before a saved change is");
  }
  if (undo_.empty()) return Error(ErrorKind::NotFound, "There is no saved change to undo.");
  if (!updatable_.ok()) return updatable_;
  const std::vector<SavedChange> changes = undo_.back();
  // Every record is checked before any is written, so the change is undone
  // whole or not at all.
  if (const std::string refusal = undoRefusal(changes); !refusal.empty()) {
    return Error(ErrorKind::Conflict, "The change cannot be undone: " + refusal + ".");
  }
  undo_.pop_back();
  for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
    if (!change->added) {
      auto restored = records_->update(change->after, change->before.values);
      if (!restored) return restored.error();
      row = rowOfRecord(change->after.id);
      if (row >= 0) {
        cache_.store(row, std::move(*restored));
        rowChanged(row);
      }
      continue;
    }
    const int shown = rowOfRecord(change->after.id);
    LF_ASSIGN_OR_RETURN(int64_t position, records_->positionOf(change->after.id));
    LF_RETURN_IF_ERROR(records_->remove({{position, change->after}}));
    source_.forget({change->after.id});
    cache_.clear();
    if (shown >= 0) {
      changingRows_ = true;
      beginRemoveRows(QModelIndex(), shown, shown);
      --recordRows_;
      endRemoveRows();
      changingRows_ = false;
      row = std::min(shown, recordRows_ - 1);
    }
    emit recordsDeleted({change->after.id});
  }
  emit dataChanged(index(0, 0), index(std::max(recordRows_ - 1, 0), std::max(columnCount() - 1, 0)));
  return okStatus();
}

}  // namespace ledgerfen::editor
