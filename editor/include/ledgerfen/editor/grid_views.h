// What the grid shows of its table and in what order: the sort by one
// column, the filters under the headers, and, from the moment a table is
// bound, the ids of every 256th record gathered in the background so that a
// jump to any row of a large table reads a few hundred rows at most.
//
// Sorting and filtering read the table in the background (row_order.h,
// row_filter.h) and show the result when it comes, keeping the record the
// cursor was on. A sort through an index that runs the right way shows the
// index's first rows at once, from the grid's own record set, and the rest
// when they are read. A result that comes while a row is being edited
// waits until that row is saved or its typing undone: the rows never move
// under someone's typing. Records added or deleted while the work runs are
// put into its result (added ones at the end). Stopping (Esc) keeps what
// was shown before.
//
// None of this writes: edits go through the grid's model exactly as in the
// table's own order.
#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "ledgerfen/data/row_filter.h"
#include "ledgerfen/data/row_order.h"
#include "ledgerfen/editor/background_task.h"
#include "ledgerfen/editor/grid_model.h"

namespace ledgerfen::editor {

class GridViews final : public QObject {
  Q_OBJECT

 public:
  // Rows of an index shown at once, before the rest of its order is read.
  static constexpr size_t kFirstIndexRows = 512;

  struct Sort {
    int column = -1;  // -1: the table's own order
    data::SortDirection direction = data::SortDirection::Ascending;
    friend bool operator==(const Sort&, const Sort&) = default;
  };

  explicit GridViews(QObject* parent = nullptr);
  ~GridViews() override;

  // Works on `model` (or on nothing): forgets the sort and the filters,
  // stops what runs, and starts gathering positions.
  void bind(GridModel* model);

  // The sort shown or being made, and the filters by column, as typed.
  const Sort& sort() const { return wanted_.sort; }
  const std::map<int, QString>& filters() const { return wanted_.filters; }

  // A click on a column's header: ascending, then descending, then the
  // table's own order. False (and nothing changes) when the column cannot
  // be sorted by (OLE objects, attachments).
  bool cycleSort(int column);
  void setSort(Sort sort);
  // The filter typed under a column ("" for none). The error, when the
  // text is no condition of the column's values, is given back and the
  // column's filter left as it was.
  std::optional<QString> setFilter(int column, const QString& typed);
  void clearFilters();

  // Whether sorting or filtering is under way, and how far it is.
  bool busy() const { return task_.running(); }
  double progress() const { return progress_; }
  // Stops the sorting or filtering under way; what was shown stays.
  void stop();
  // Whether every position is known (the gathering is over).
  bool positionsGathered() const;

  // "1,000,000 records", "120 of 1,000,000 records (filtered)", with the
  // sort, or what is under way ("Sorting by Name... 40% (Esc stops)").
  QString statusText() const;

  // Shows a result that waited for the row being edited (called when the
  // model has none and no cell is open).
  void showWaitingResult();
  // Whether a result waits for the row being edited.
  bool hasWaitingResult() const { return waiting_.has_value(); }

 signals:
  void statusChanged();
  // The rows are about to be, and were, put in another order.
  void orderChanging();
  void orderChanged();
  // Sorting or filtering failed: the reason.
  void failed(const QString& message);
  // Gathering positions is over.
  void positionsReady();
  // Asks whether the model may change its rows now (no row edited, no
  // cell open); the slot sets `allowed` false to make the result wait.
  void mayChangeRows(bool& allowed);

 private:
  struct Wanted {
    Sort sort;
    std::map<int, QString> filters;
    friend bool operator==(const Wanted&, const Wanted&) = default;
  };
  struct Result {
    Wanted made;
    ViewRows::Order order;  // null: the table's own order
    int64_t total = 0;
  };

  void rebuild();
  void startGathering();
  void apply(Result result);
  std::vector<data::FilterCondition> conditions(const Wanted& wanted) const;

  GridModel* model_ = nullptr;
  BackgroundTask task_;
  BackgroundTask gathering_;
  Wanted wanted_;
  Wanted shown_;
  ViewRows::Order shownOrder_;  // what shown_ showed once complete
  int64_t shownTotal_ = 0;
  bool partial_ = false;  // the first rows of an index are shown, the rest still read
  std::optional<Result> waiting_;
  double progress_ = 0;
  // Records added and deleted through the grid while the work runs.
  std::vector<RowId> addedMeanwhile_;
  std::set<RowId> deletedMeanwhile_;
  QMetaObject::Connection addedConnection_, deletedConnection_;
};

}  // namespace ledgerfen::editor
