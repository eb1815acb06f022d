// The grid's rows in another order than the table's: a list read row by row
// through the record set, known in part while the rest is read, with the
// records added to it at its end and deleted ones gone from it.
#include "ledgerfen/editor/view_rows.h"

#include <gtest/gtest.h>

#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen::editor {
namespace {

class ListedRows : public ::testing::Test {
 protected:
  void SetUp() override {
    auto connection = std::make_shared<data::Connection>();
    connection->setMode(data::ConnectMode::ReadWrite);
    ASSERT_TRUE(
        connection->open(data::buildConnectionString(dir_.copyFixture("jackcess/V2003/compIndexTestV2003.mdb"), ""))
            .ok());
    ASSERT_TRUE(records_.open(data::sourceForTable("Table1"), connection).ok());
    ASSERT_TRUE(records_.read(0, 512, table_).ok());
  }

  ViewRows::Order listOf(std::vector<int> positions) const {
    auto ids = std::make_shared<std::vector<RowId>>();
    for (int p : positions) ids->push_back(table_[size_t(p)].id);
    return ids;
  }

  test::TempDir dir_;
  data::RecordSet records_;
  std::vector<data::Record> table_;
};

TEST_F(ListedRows, TheTablesOrderIsTheRecordSets) {
  ViewRows rows(records_);
  EXPECT_TRUE(rows.isTableOrder());
  EXPECT_EQ(rows.rowCount(), 512);
  std::vector<data::Record> read;
  ASSERT_TRUE(rows.readRows(100, 3, read).ok());
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[2].id, table_[102].id);
  EXPECT_FALSE(rows.listedId(0).has_value());
}

TEST_F(ListedRows, AListKnownInPartReadsStandInsForTheRestAndTakesAddedRecordsAfterIt) {
  ViewRows rows(records_);
  rows.showOrder(listOf({500, 3, 42}), 6);
  EXPECT_EQ(rows.rowCount(), 6);
  EXPECT_FALSE(rows.isComplete());
  EXPECT_TRUE(rows.isKnown(2));
  EXPECT_FALSE(rows.isKnown(3));
  std::vector<data::Record> read;
  ASSERT_TRUE(rows.readRows(0, 10, read).ok());
  ASSERT_EQ(read.size(), 6u);
  EXPECT_EQ(read[0].values, table_[500].values);
  EXPECT_EQ(read[2].id, table_[42].id);
  EXPECT_TRUE(isNull(read[4].values[0]));  // a stand-in

  // A record added meanwhile follows the whole list, and is known at once.
  rows.append(table_[7].id);
  EXPECT_EQ(rows.rowCount(), 7);
  EXPECT_TRUE(rows.isKnown(6));
  EXPECT_EQ(rows.listedId(6), table_[7].id);
  EXPECT_EQ(rows.rowOfListed(table_[7].id), 6);
  EXPECT_EQ(rows.rowOfListed(table_[3].id), 1);
  EXPECT_EQ(rows.rowOfListed(table_[9].id), -1);

  // Deleted records leave it.
  rows.forget({table_[3].id, table_[7].id});
  EXPECT_EQ(rows.rowCount(), 5);
  EXPECT_EQ(rows.listedIds(), (std::vector<RowId>{table_[500].id, table_[42].id}));
}

TEST_F(ListedRows, ARowGoneSinceReadsAsNullsAndCountsAsGone) {
  ViewRows rows(records_);
  rows.showOrder(listOf({0, 1}), 2);
  EXPECT_TRUE(rows.isComplete());
  // Deleted behind the list's back (as another program would).
  ASSERT_TRUE(records_.remove({{1, table_[1]}}).ok());
  std::vector<data::Record> read;
  ASSERT_TRUE(rows.readRows(0, 2, read).ok());
  ASSERT_EQ(read.size(), 2u);
  EXPECT_TRUE(rows.isGone(table_[1].id));
  EXPECT_FALSE(rows.isGone(table_[0].id));
  EXPECT_EQ(read[1].values.size(), records_.fields().size());
  rows.showTableOrder();
  EXPECT_EQ(rows.rowCount(), 511);
}

}  // namespace
}  // namespace ledgerfen::editor
