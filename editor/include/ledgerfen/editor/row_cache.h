// The rows of a grid that are held in memory: batches of consecutive
// records, read from a RowSource as the grid asks for rows, and dropped,
// least recently used first, beyond a fixed number of batches. The number of
// rows is the source's count, known apart from the rows loaded, so a grid
// can show its full extent at once and read only what comes into view.
//
// Plain C++; one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/status.h"

namespace ledgerfen::editor {

// Where the rows come from: a count and reads of consecutive rows.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual int64_t rowCount() const = 0;
  // Reads rows `first` to `first + count - 1`, fewer when they end sooner.
  virtual Status readRows(int64_t first, int64_t count, std::vector<data::Record>& out) = 0;
};

// A record set as a row source.
class RecordSetRows final : public RowSource {
 public:
  explicit RecordSetRows(data::RecordSet& records) : records_(records) {}
  int64_t rowCount() const override { return records_.recordCount(); }
  Status readRows(int64_t first, int64_t count, std::vector<data::Record>& out) override {
    return records_.read(first, count, out);
  }

 private:
  data::RecordSet& records_;
};

class RowCache {
 public:
  struct Limits {
    int64_t batchRows = 128;
    size_t maxBatches = 16;
  };

  explicit RowCache(RowSource& source) : RowCache(source, Limits()) {}
  RowCache(RowSource& source, Limits limits) : source_(source), limits_(limits) {}

  int64_t rowCount() const { return source_.rowCount(); }

  // The record at `row`, reading its batch when it is not held; null when
  // the source has no such row. The pointer stays valid until the next call
  // that reads or changes the cache.
  Result<const data::Record*> row(int64_t row);
  bool isLoaded(int64_t row) const;

  // Puts the record as now stored at `row` into the cache: it replaces the
  // held copy, or extends the batch that ends just before it.
  void store(int64_t row, data::Record record);
  // Forgets every row (after rows moved).
  void clear() { batches_.clear(); }

  size_t loadedBatches() const { return batches_.size(); }
  int64_t loadedRows() const;
  int64_t reads() const { return reads_; }
  const Limits& limits() const { return limits_; }

 private:
  struct Batch {
    std::vector<data::Record> rows;
    uint64_t lastUse = 0;
  };

  RowSource& source_;
  Limits limits_;
  std::map<int64_t, Batch> batches_;  // by batch number
  uint64_t clock_ = 0;
  int64_t reads_ = 0;
};

}  // namespace ledgerfen::editor
