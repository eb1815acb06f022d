// Resuming a table scan at a row: what readers of large tables use to reach
// any part of a table from the ids they remembered, without reading the rows
// before it.
#include <gtest/gtest.h>

#include "ledgerfen/database.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

std::vector<Row> rowsOf(RowCursor& cursor) {
  std::vector<Row> rows;
  Row row;
  while (true) {
    auto more = cursor.next(row);
    EXPECT_TRUE(more.ok()) << more.error().message();
    if (!more.ok() || !*more) return rows;
    rows.push_back(row);
  }
}

std::vector<RowId> idsOf(const std::vector<Row>& rows) {
  std::vector<RowId> ids;
  for (const Row& r : rows) ids.push_back(r.id);
  return ids;
}

TEST(ScanFrom, ResumesAtAnyRowOfAManyPagedTable) {
  auto db = Database::open(test::fixtureNamed("jackcess/V2003/compIndexTestV2003.mdb").fullPath());
  ASSERT_TRUE(db.ok()) << db.error().message();
  auto table = (*db)->table("Table1");
  ASSERT_TRUE(table.ok());
  auto all = table->scan();
  ASSERT_TRUE(all.ok());
  const std::vector<Row> rows = rowsOf(*all);
  ASSERT_EQ(rows.size(), 512u);
  ASSERT_NE(rows.front().id.page, rows.back().id.page);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.id < b.id; }));

  for (size_t k : {size_t(0), size_t(1), size_t(97), size_t(300), size_t(511)}) {
    auto resumed = table->scanFrom(rows[k].id);
    ASSERT_TRUE(resumed.ok()) << resumed.error().message();
    std::vector<Row> tail = rowsOf(*resumed);
    ASSERT_EQ(tail.size(), rows.size() - k) << "from row " << k;
    EXPECT_EQ(idsOf(tail), idsOf(std::vector<Row>(rows.begin() + long(k), rows.end())));
    EXPECT_EQ(tail.front().values, rows[k].values);
  }

  // Past the last row nothing is left; before the first, everything is.
  auto past = table->scanFrom(RowId{rows.back().id.page, uint16_t(rows.back().id.row + 1)});
  ASSERT_TRUE(past.ok());
  EXPECT_TRUE(rowsOf(*past).empty());
  auto beyond = table->scanFrom(RowId{UINT32_MAX, 0});
  ASSERT_TRUE(beyond.ok());
  EXPECT_TRUE(rowsOf(*beyond).empty());
  auto before = table->scanFrom(RowId{0, 0});
  ASSERT_TRUE(before.ok());
  EXPECT_EQ(rowsOf(*before).size(), rows.size());
}

TEST(ScanFrom, SkipGivesTheIdsAScanGivesWithoutTheValues) {
  auto db = Database::open(test::fixtureNamed("jackcess/V1997/compIndexTestV1997.mdb").fullPath());
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Table1");
  ASSERT_TRUE(table.ok());
  auto scan = table->scan();
  const std::vector<RowId> expected = idsOf(rowsOf(*scan));

  auto cursor = table->scan();
  std::vector<RowId> skipped;
  RowId id;
  while (cursor->skip(id).value()) skipped.push_back(id);
  EXPECT_EQ(skipped, expected);

  // Skipping and reading mix: a reader passes rows it does not need.
  auto mixed = table->scanFrom(expected[10]);
  ASSERT_TRUE(mixed->skip(id).value());
  EXPECT_EQ(id, expected[10]);
  Row row;
  ASSERT_TRUE(mixed->next(row).value());
  EXPECT_EQ(row.id, expected[11]);
}

TEST(ScanFrom, AGoneRowResumesAtTheRowAfterItAndAMovedRowAtItsHome) {
  test::TempDir dir;
  const std::string path = dir.copyFixture("jackcess/V2003/compIndexTestV2003.mdb");
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Table1");
  auto scan = table->scan();
  const std::vector<Row> rows = rowsOf(*scan);

  ASSERT_TRUE(table->deleteRow(rows[40].id, rows[40].values).ok());
  auto resumed = table->scanFrom(rows[40].id);
  Row row;
  ASSERT_TRUE(resumed->next(row).value());
  EXPECT_EQ(row.id, rows[41].id);

  // A row grown past its page's room is read through its first address.
  std::vector<Value> grown = rows[60].values;
  grown[1] = std::string(55, 'x');
  grown[2] = std::string(55, 'y');
  ASSERT_TRUE(table->updateRow(rows[60].id, rows[60].values, grown).ok());
  auto atMoved = table->scanFrom(rows[60].id);
  ASSERT_TRUE(atMoved->next(row).value());
  EXPECT_EQ(row.id, rows[60].id);
  EXPECT_EQ(row.values, grown);
}

}  // namespace
}  // namespace ledgerfen
