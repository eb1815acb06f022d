#include "ledgerfen/editor/view_rows.h"

#include <algorithm>

namespace ledgerfen::editor {

int64_t ViewRows::rowCount() const {
  if (!order_) return records_.recordCount();
  return std::max<int64_t>(total_, int64_t(order_->size())) + int64_t(appended_.size());
}

int64_t ViewRows::listEnd() const {
  return order_ ? std::max<int64_t>(total_, int64_t(order_->size())) : 0;
}

bool ViewRows::isKnown(int64_t row) const {
  return !order_ || row < int64_t(order_->size()) || row >= listEnd();
}

bool ViewRows::isComplete() const {
  return !order_ || int64_t(order_->size()) >= total_;
}

std::optional<RowId> ViewRows::listedId(int64_t row) const {
  if (!order_ || row < 0) return std::nullopt;
  if (row < int64_t(order_->size())) return (*order_)[size_t(row)];
  const int64_t added = row - listEnd();
  if (added >= 0 && added < int64_t(appended_.size())) return appended_[size_t(added)];
  return std::nullopt;
}

int64_t ViewRows::rowOfListed(RowId id) const {
  if (!order_) return -1;
  const auto found = std::find(order_->begin(), order_->end(), id);
  if (found != order_->end()) return found - order_->begin();
  const auto added = std::find(appended_.begin(), appended_.end(), id);
  if (added != appended_.end()) return listEnd() + (added - appended_.begin());
  return -1;
}

std::vector<RowId> ViewRows::listedIds() const {
  std::vector<RowId> ids;
  if (!order_) return ids;
  ids.reserve(order_->size() + appended_.size());
  ids.insert(ids.end(), order_->begin(), order_->end());
  ids.insert(ids.end(), appended_.begin(), appended_.end());
  return ids;
}

Status ViewRows::readRows(int64_t first, int64_t count, std::vector<data::Record>& out) {
  if (!order_) return records_.read(first, count, out);
  out.clear();
  const size_t columns = records_.fields().size();
  for (int64_t row = std::max<int64_t>(first, 0); row < first + count && row < rowCount(); ++row) {
    const std::optional<RowId> id = listedId(row);
    if (!id) {
      // A row of the list not read yet: a stand-in, which the grid does not show.
      out.push_back(data::Record{RowId{}, std::vector<Value>(columns)});
      continue;
    }
    auto record = records_.readRecord(*id);
    if (record) {
      gone_.erase(*id);
      out.push_back(std::move(*record));
    } else if (record.error().kind() == ErrorKind::NotFound) {
      gone_.insert(*id);
      out.push_back(data::Record{*id, std::vector<Value>(columns)});
    } else {
      return record.error();
    }
  }
  return okStatus();
}

void ViewRows::showOrder(Order order, int64_t total) {
  order_ = order ? std::move(order) : std::make_shared<const std::vector<RowId>>();
  total_ = std::max<int64_t>(total, int64_t(order_->size()));
  appended_.clear();
  gone_.clear();
}

void ViewRows::showTableOrder() {
  order_.reset();
  total_ = 0;
  appended_.clear();
  gone_.clear();
}

void ViewRows::append(RowId id) {
  if (order_) appended_.push_back(id);
}

void ViewRows::forget(const std::set<RowId>& ids) {
  if (!order_ || ids.empty()) return;
  auto kept = std::make_shared<std::vector<RowId>>();
  kept->reserve(order_->size());
  for (const RowId& id : *order_) {
    if (!ids.count(id)) kept->push_back(id);
  }
  total_ -= int64_t(order_->size() - kept->size());
  order_ = std::move(kept);
  std::erase_if(appended_, [&](const RowId& id) { return ids.count(id) > 0; });
}

}  // namespace ledgerfen::editor
