// The grid's row cache: the row count comes from the source without reading
// rows, rows are read in batches only as they are asked for, memory stays
// within a fixed number of batches, and failed reads leave nothing behind.
#include "ledgerfen/editor/row_cache.h"

#include <gtest/gtest.h>

namespace ledgerfen::editor {
namespace {

// Rows whose single value is their position; records every read.
struct CountingSource : RowSource {
  int64_t rows = 0;
  std::vector<std::pair<int64_t, int64_t>> reads;  // first, count
  std::string failure;                             // non-empty: reads fail with it

  int64_t rowCount() const override { return rows; }
  Status readRows(int64_t first, int64_t count, std::vector<data::Record>& out) override {
    reads.emplace_back(first, count);
    out.clear();
    if (!failure.empty()) return Error(ErrorKind::Io, failure);
    for (int64_t r = first; r < std::min(first + count, rows); ++r) {
      out.push_back(data::Record{RowId{uint32_t(r / 100), uint16_t(r % 100)}, {Value(int64_t(r))}});
    }
    return okStatus();
  }
};

int64_t valueOf(const data::Record* record) {
  return std::get<int64_t>(record->values[0]);
}

TEST(RowCache, KnowsTheCountAndReadsOnlyTheBatchesAskedFor) {
  CountingSource source;
  source.rows = 1'000'000;
  RowCache cache(source, RowCache::Limits{100, 8});
  EXPECT_EQ(cache.rowCount(), 1'000'000);
  EXPECT_TRUE(source.reads.empty());

  // The first screen: one batch.
  for (int64_t r = 0; r < 40; ++r) EXPECT_EQ(valueOf(*cache.row(r)), r);
  ASSERT_EQ(source.reads.size(), 1u);
  EXPECT_EQ(source.reads[0], std::make_pair(int64_t(0), int64_t(100)));

  // Far down: only the batch holding the row, aligned to batches.
  EXPECT_EQ(valueOf(*cache.row(654'321)), 654'321);
  EXPECT_EQ(source.reads.back(), std::make_pair(int64_t(654'300), int64_t(100)));
  EXPECT_TRUE(cache.isLoaded(654'399));
  EXPECT_FALSE(cache.isLoaded(654'400));
  EXPECT_EQ(cache.reads(), 2);

  // Past the end there is no row and nothing is read.
  EXPECT_EQ(*cache.row(1'000'000), nullptr);
  EXPECT_EQ(*cache.row(-1), nullptr);
  EXPECT_EQ(cache.reads(), 2);
}

TEST(RowCache, ScrollingThroughKeepsAFixedNumberOfBatchesLeastRecentlyUsedGoFirst) {
  CountingSource source;
  source.rows = 100'000;
  RowCache cache(source, RowCache::Limits{50, 4});
  for (int64_t r = 0; r < source.rows; r += 7) ASSERT_EQ(valueOf(*cache.row(r)), r);
  EXPECT_EQ(cache.loadedBatches(), 4u);
  EXPECT_LE(cache.loadedRows(), 200);
  EXPECT_EQ(cache.reads(), 2000);  // each batch read once on the way down

  // The batch in use stays while others come and go.
  cache.row(0).value();
  for (int64_t r = 500; r < 800; r += 50) {
    cache.row(r).value();
    cache.row(10).value();
  }
  EXPECT_TRUE(cache.isLoaded(0));
  EXPECT_FALSE(cache.isLoaded(500));
}

TEST(RowCache, StoredRowsReplaceHeldCopiesOrExtendTheLastBatch) {
  CountingSource source;
  source.rows = 120;
  RowCache cache(source, RowCache::Limits{100, 4});
  cache.row(110).value();
  cache.store(105, data::Record{RowId{}, {Value(int64_t(-105))}});
  EXPECT_EQ(valueOf(*cache.row(105)), -105);
  source.rows = 121;
  cache.store(120, data::Record{RowId{}, {Value(int64_t(-120))}});
  EXPECT_EQ(valueOf(*cache.row(120)), -120);
  cache.store(150, data::Record{RowId{}, {Value(int64_t(-150))}});  // out of line: the batch is read again
  EXPECT_FALSE(cache.isLoaded(110));
  cache.store(5, data::Record{RowId{}, {Value(int64_t(-5))}});  // not held: nothing to do
  EXPECT_EQ(valueOf(*cache.row(5)), 5);
  EXPECT_EQ(cache.reads(), 2);
}

TEST(RowCache, AFailedReadIsReportedAndTriedAgainLater) {
  CountingSource source;
  source.rows = 10;
  source.failure = "data page 4: row 2 points past the end of the page";
  RowCache cache(source, RowCache::Limits{5, 4});
  auto row = cache.row(3);
  ASSERT_FALSE(row.ok());
  EXPECT_EQ(row.error().message(), source.failure);
  EXPECT_EQ(cache.loadedBatches(), 0u);
  source.failure.clear();
  EXPECT_EQ(valueOf(*cache.row(3)), 3);
}

}  // namespace
}  // namespace ledgerfen::editor
