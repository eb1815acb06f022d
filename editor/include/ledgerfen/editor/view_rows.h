// The rows the grid shows, in the order it shows them: the record set's own
// order (the table's rows as a scan gives them, then the records added), or
// a list of rows made by sorting or filtering, read row by row through the
// record set. A list may be known only in part for a while (the first rows
// of an index, shown before the rest is read): its rows after that part
// read as nothing until the whole list comes.
//
// Records added while a list is shown go at its end, where the person typed
// them; deleted ones leave it. A row of the list that another program has
// deleted since reads as a record of NULLs and counts as gone, which the
// grid shows. Plain C++; one thread at a time (the UI thread's).
#pragma once

#include <memory>
#include <set>
#include <vector>

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/editor/row_cache.h"

namespace ledgerfen::editor {

class ViewRows final : public RowSource {
 public:
  using Order = std::shared_ptr<const std::vector<RowId>>;

  explicit ViewRows(data::RecordSet& records) : records_(records) {}

  int64_t rowCount() const override;
  Status readRows(int64_t first, int64_t count, std::vector<data::Record>& out) override;

  bool isTableOrder() const { return !order_; }
  // Shows the rows of `order`, of which there will be `total` once it is
  // complete (its size when it is).
  void showOrder(Order order, int64_t total);
  void showTableOrder();

  // Whether the row's place is known: false for the rows of a list not
  // read yet (the records added to it are known all along).
  bool isKnown(int64_t row) const;
  // Whether the whole list is known.
  bool isComplete() const;
  // The id of the row at `row` of a list; nullopt in table order or past the known rows.
  std::optional<RowId> listedId(int64_t row) const;
  // Where `id` is in a list; -1 when it is not there (or in table order).
  int64_t rowOfListed(RowId id) const;
  // Every id of a list in order, records added to it included.
  std::vector<RowId> listedIds() const;
  // The order as last set (null in table order) and the records added to it.
  const Order& order() const { return order_; }
  const std::vector<RowId>& appended() const { return appended_; }

  // A record added while a list is shown: it goes at the end.
  void append(RowId id);
  // Records deleted: they leave the list.
  void forget(const std::set<RowId>& ids);
  // Whether the row was found gone when it was read.
  bool isGone(RowId id) const { return gone_.count(id) > 0; }

 private:
  // Where the list's own rows end (those not known yet included).
  int64_t listEnd() const;

  data::RecordSet& records_;
  Order order_;
  int64_t total_ = 0;
  std::vector<RowId> appended_;
  std::set<RowId> gone_;
};

}  // namespace ledgerfen::editor
