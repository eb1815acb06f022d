#include "ledgerfen/editor/row_cache.h"

#include <algorithm>

namespace ledgerfen::editor {

Result<const data::Record*> RowCache::row(int64_t row) {
  if (row < 0) return static_cast<const data::Record*>(nullptr);
  const int64_t number = row / limits_.batchRows;
  const int64_t offset = row % limits_.batchRows;
  auto it = batches_.find(number);
  if (it == batches_.end()) {
    if (row >= rowCount()) return static_cast<const data::Record*>(nullptr);
    Batch batch;
    ++reads_;
    LF_RETURN_IF_ERROR(source_.readRows(number * limits_.batchRows, limits_.batchRows, batch.rows));
    if (batches_.size() >= limits_.maxBatches) {
      auto oldest = std::min_element(batches_.begin(), batches_.end(),
                                     [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
      batches_.erase(oldest);
    }
    it = batches_.emplace(number, std::move(batch)).first;
  }
  it->second.lastUse = ++clock_;
  if (offset >= int64_t(it->second.rows.size())) return static_cast<const data::Record*>(nullptr);
  return &it->second.rows[size_t(offset)];
}

bool RowCache::isLoaded(int64_t row) const {
  if (row < 0) return false;
  auto it = batches_.find(row / limits_.batchRows);
  return it != batches_.end() && row % limits_.batchRows < int64_t(it->second.rows.size());
}

void RowCache::store(int64_t row, data::Record record) {
  if (row < 0) return;
  auto it = batches_.find(row / limits_.batchRows);
  if (it == batches_.end()) return;
  const size_t offset = size_t(row % limits_.batchRows);
  std::vector<data::Record>& rows = it->second.rows;
  if (offset < rows.size()) {
    rows[offset] = std::move(record);
  } else if (offset == rows.size()) {
    rows.push_back(std::move(record));
  } else {
    batches_.erase(it);
  }
}

int64_t RowCache::loadedRows() const {
  int64_t total = 0;
  for (const auto& [number, batch] : batches_) total += int64_t(batch.rows.size());
  return total;
}

}  // namespace ledgerfen::editor
