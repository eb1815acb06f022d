#include "ledgerfen/editor/grid_views.h"

#include <QLocale>
#include <algorithm>

#include "ledgerfen/data/sort_key.h"

namespace ledgerfen::editor {
namespace {

QString counted(int64_t n) {
  return QLocale(QLocale::English).toString(qlonglong(n));
}

// The rows the grid shows for a sort and filters: the sorted rows the
// filters keep, or without a sort the rows they keep in the record set's
// order (the table's rows as a scan gives them, then those it added).
Result<std::vector<RowId>> viewRows(const data::ReaderSource& source, const GridViews::Sort& sort,
                                    const std::vector<data::FilterCondition>& conditions,
                                    const std::vector<RowId>& recordSetAdded, const data::WorkControl& control) {
  const bool sorting = sort.column >= 0;
  const bool filtering = !conditions.empty();
  const double sortShare = sorting && filtering ? 0.7 : 1.0;
  std::vector<RowId> sorted, kept;
  if (sorting) {
    data::WorkControl part{control.stop, [&](double done) {
                             if (control.progress) control.progress(done * sortShare);
                           }};
    LF_ASSIGN_OR_RETURN(sorted, data::sortedRows(source, size_t(sort.column), sort.direction, part));
  }
  if (!filtering) return sorted;
  data::WorkControl part{control.stop, [&](double done) {
                           if (control.progress) control.progress(sorting ? sortShare + done * (1 - sortShare) : done);
                         }};
  LF_ASSIGN_OR_RETURN(kept, data::filteredRows(source, conditions, part));  // ascending ids
  const auto isKept = [&](const RowId& id) { return std::binary_search(kept.begin(), kept.end(), id); };
  std::vector<RowId> rows;
  if (sorting) {
    std::copy_if(sorted.begin(), sorted.end(), std::back_inserter(rows), isKept);
    return rows;
  }
  const std::set<RowId> added(recordSetAdded.begin(), recordSetAdded.end());
  std::copy_if(kept.begin(), kept.end(), std::back_inserter(rows), [&](const RowId& id) { return !added.count(id); });
  std::copy_if(recordSetAdded.begin(), recordSetAdded.end(), std::back_inserter(rows), isKept);
  return rows;
}

}  // namespace

GridViews::GridViews(QObject* parent) : QObject(parent) {}

GridViews::~GridViews() {
  task_.stop();
  gathering_.stop();
}

void GridViews::bind(GridModel* model) {
  task_.stop();
  gathering_.stop();
  disconnect(addedConnection_);
  disconnect(deletedConnection_);
  model_ = model;
  wanted_ = shown_ = Wanted();
  shownOrder_.reset();
  shownTotal_ = 0;
  partial_ = false;
  waiting_.reset();
  progress_ = 0;
  addedMeanwhile_.clear();
  deletedMeanwhile_.clear();
  if (model_) {
    addedConnection_ = connect(model_, &GridModel::recordAdded, this, [this](RowId id) {
      if (task_.running() || waiting_) addedMeanwhile_.push_back(id);
    });
    deletedConnection_ = connect(model_, &GridModel::recordsDeleted, this, [this](const std::vector<RowId>& ids) {
      if (!task_.running() && !waiting_) return;
      for (const RowId& id : ids) {
        std::erase(addedMeanwhile_, id);
        deletedMeanwhile_.insert(id);
      }
    });
    startGathering();
  }
  emit statusChanged();
}

void GridViews::startGathering() {
  data::RecordSet& records = model_->records();
  if (!records.isOpen() || records.positionsKnown()) return;
  const data::ReaderSource source = records.readerSource();
  const std::set<RowId> excluded(records.addedRows().begin(), records.addedRows().end());
  const uint64_t version = records.layoutVersion();
  // The positions go straight into the record set's mailbox, where a far
  // jump finds them even before the gathering is over.
  const std::shared_ptr<data::PositionMailbox> mailbox = records.positionMailbox();
  gathering_.start([this, source, excluded, version, mailbox](std::stop_token stop, const BackgroundTask::Post& post) {
    const data::WorkControl control{stop, {}};
    mailbox->beginGathering(version);
    Status gathered =
        data::gatherPositions(source, excluded, data::RecordSet::kStride, control,
                              [&](data::PositionMarks marks) { mailbox->post(version, std::move(marks)); });
    mailbox->endGathering();
    post([this, version, ok = gathered.ok()] {
      gathering_.finish();
      model_->records().takeGatheredPositions();
      model_->syncRowCount();
      if (!ok) return;  // far jumps walk the table, as they would without
      if (model_->records().positionsKnown()) {
        emit positionsReady();
        emit statusChanged();
      } else if (model_->records().layoutVersion() != version) {
        startGathering();  // records were added or deleted meanwhile
      }
    });
  });
}

bool GridViews::positionsGathered() const {
  return model_ && model_->records().positionsKnown();
}

std::vector<data::FilterCondition> GridViews::conditions(const Wanted& wanted) const {
  std::vector<data::FilterCondition> all;
  for (const auto& [column, typed] : wanted.filters) {
    if (auto condition = data::parseFilterText(size_t(column), typed.toStdString())) all.push_back(*condition);
  }
  return all;
}

bool GridViews::cycleSort(int column) {
  if (!model_ || column < 0 || column >= model_->columnCount()) return false;
  if (!data::isSortableColumn(model_->records().fields()[size_t(column)])) return false;
  Sort next{column, data::SortDirection::Ascending};
  if (wanted_.sort.column == column) {
    next = wanted_.sort.direction == data::SortDirection::Ascending ? Sort{column, data::SortDirection::Descending}
                                                                    : Sort{};
  }
  setSort(next);
  return true;
}

void GridViews::setSort(Sort sort) {
  wanted_.sort = sort;
  rebuild();
}

std::optional<QString> GridViews::setFilter(int column, const QString& typed) {
  if (!model_ || column < 0 || column >= model_->columnCount()) return QString("there is no such column");
  const auto condition = data::parseFilterText(size_t(column), typed.toStdString());
  if (!condition) {
    if (!wanted_.filters.erase(column)) return std::nullopt;
  } else {
    auto made = data::RowFilter::make(model_->records().schema(), {*condition});
    if (!made) return QString::fromStdString(made.error().message());
    if (wanted_.filters.count(column) && wanted_.filters[column] == typed.trimmed()) return std::nullopt;
    wanted_.filters[column] = typed.trimmed();
  }
  rebuild();
  return std::nullopt;
}

void GridViews::clearFilters() {
  if (wanted_.filters.empty()) return;
  wanted_.filters.clear();
  rebuild();
}

void GridViews::stop() {
  if (!task_.running()) return;
  task_.stop();
  wanted_ = shown_;
  progress_ = 0;
  if (partial_) apply(Result{shown_, shownOrder_, shownTotal_});
  emit statusChanged();
}

void GridViews::rebuild() {
  task_.stop();
  waiting_.reset();
  progress_ = 0;
  if (!model_) return;
  if (wanted_ == shown_ && !partial_) {
    emit statusChanged();
    return;
  }
  const std::vector<data::FilterCondition> filters = conditions(wanted_);
  if (wanted_.sort.column < 0 && filters.empty()) {
    apply(Result{wanted_, nullptr, 0});
    return;
  }
  data::RecordSet& records = model_->records();
  if (filters.empty()) {
    // An index that runs the right way gives its first rows at once.
    const TableSchema& schema = records.schema();
    const size_t column = size_t(wanted_.sort.column);
    const Index* index = data::sortIndexFor(schema, column, wanted_.sort.direction);
    if (index && data::indexGivesOrderDirectly(schema, *index, column, wanted_.sort.direction)) {
      auto first = records.indexRows(index->name, column, kFirstIndexRows);
      if (first && first->size() < kFirstIndexRows) {
        const int64_t rows = int64_t(first->size());
        apply(Result{wanted_, std::make_shared<const std::vector<RowId>>(std::move(*first)), rows});
        return;
      }
      bool allowed = true;
      emit mayChangeRows(allowed);
      if (first && allowed) {
        emit orderChanging();
        model_->showOrder(std::make_shared<const std::vector<RowId>>(std::move(*first)), records.recordCount());
        partial_ = true;
        emit orderChanged();
      }
    }
  }
  addedMeanwhile_.clear();
  deletedMeanwhile_.clear();
  const data::ReaderSource source = records.readerSource();
  const std::vector<RowId> recordSetAdded = records.addedRows();
  const Wanted made = wanted_;
  task_.start([this, source, made, filters, recordSetAdded](std::stop_token stop, const BackgroundTask::Post& post) {
    const data::WorkControl control = BackgroundTask::control(stop, post, [this](double done) {
      progress_ = done;
      emit statusChanged();
    });
    auto rows = viewRows(source, made.sort, filters, recordSetAdded, control);
    post([this, made, rows = std::move(rows)]() mutable {
      task_.finish();
      if (!rows) {
        if (!data::wasStopped(rows.error())) {
          wanted_ = shown_;
          if (partial_) apply(Result{shown_, shownOrder_, shownTotal_});
          emit failed(QString::fromStdString(rows.error().message()));
        }
        emit statusChanged();
        return;
      }
      const int64_t total = int64_t(rows->size());
      apply(Result{made, std::make_shared<const std::vector<RowId>>(std::move(*rows)), total});
    });
  });
  emit statusChanged();
}

void GridViews::apply(Result result) {
  bool allowed = true;
  emit mayChangeRows(allowed);
  if (!allowed) {
    waiting_ = std::move(result);
    emit statusChanged();
    return;
  }
  waiting_.reset();
  if (result.order && (!addedMeanwhile_.empty() || !deletedMeanwhile_.empty())) {
    auto rows = std::make_shared<std::vector<RowId>>();
    const std::set<RowId> added(addedMeanwhile_.begin(), addedMeanwhile_.end());
    for (const RowId& id : *result.order) {
      if (!deletedMeanwhile_.count(id) && !added.count(id)) rows->push_back(id);
    }
    rows->insert(rows->end(), addedMeanwhile_.begin(), addedMeanwhile_.end());
    result.total = int64_t(rows->size());
    result.order = std::move(rows);
  }
  addedMeanwhile_.clear();
  deletedMeanwhile_.clear();
  emit orderChanging();
  if (result.order) {
    model_->showOrder(result.order, result.total);
  } else {
    model_->showTableOrder();
  }
  shown_ = result.made;
  shownOrder_ = result.order;
  shownTotal_ = result.total;
  partial_ = false;
  emit orderChanged();
  emit statusChanged();
}

void GridViews::showWaitingResult() {
  if (!waiting_) return;
  Result result = std::move(*waiting_);
  waiting_.reset();
  apply(std::move(result));
}

QString GridViews::statusText() const {
  if (!model_) return {};
  const data::RecordSet& records = model_->records();
  const auto columnName = [&](int column) {
    return column >= 0 && size_t(column) < records.fields().size()
               ? QString::fromStdString(records.fields()[size_t(column)].name)
               : QString();
  };
  if (busy()) {
    const bool sorting = wanted_.sort.column >= 0 && !(wanted_.sort == shown_.sort);
    const bool filtering = wanted_.filters != shown_.filters;
    QString what = sorting && filtering ? QString("Sorting by %1 and filtering").arg(columnName(wanted_.sort.column))
                   : sorting            ? QString("Sorting by %1").arg(columnName(wanted_.sort.column))
                                        : QString("Filtering");
    return QString("%1... %2% (Esc stops)").arg(what).arg(int(progress_ * 100));
  }
  if (waiting_) return "The new order shows once the row being edited is saved.";
  const int64_t all = records.recordCount();
  QString text = shown_.filters.empty()
                     ? QString("%1 %2").arg(counted(all), all == 1 ? "record" : "records")
                     : QString("%1 of %2 records (filtered)").arg(counted(model_->recordRows()), counted(all));
  if (shown_.sort.column >= 0) {
    text += QString(", sorted by %1, %2")
                .arg(columnName(shown_.sort.column),
                     shown_.sort.direction == data::SortDirection::Ascending ? "ascending" : "descending");
  }
  return text;
}

}  // namespace ledgerfen::editor
