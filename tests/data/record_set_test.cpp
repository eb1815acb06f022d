// The record set of the table editor: the one source text it accepts, its
// hold on the connection, reading from any position of a table as a scan
// gives it, the count kept by the table corrected at the end, and changes
// written with optimistic locking whose positions stay right.
#include "ledgerfen/data/record_set.h"

#include <gtest/gtest.h>

#include <random>

#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen::data {
namespace {

std::string fixture(const std::string& path) {
  return test::fixtureNamed(path).fullPath();
}

std::shared_ptr<Connection> connect(const std::string& path, ConnectMode mode = ConnectMode::Read) {
  auto connection = std::make_shared<Connection>();
  connection->setMode(mode);
  Status opened = connection->open(buildConnectionString(path, ""));
  EXPECT_TRUE(opened.ok()) << opened.error().message();
  return connection;
}

std::unique_ptr<RecordSet> openTable(const std::string& path, const std::string& table,
                                     ConnectMode mode = ConnectMode::Read) {
  auto records = std::make_unique<RecordSet>();
  Status opened = records->open(sourceForTable(table), connect(path, mode));
  EXPECT_TRUE(opened.ok()) << opened.error().message();
  return records;
}

// Every row of a table as a fresh scan of the file gives it.
std::vector<Row> scanOf(const std::string& path, const std::string& table) {
  auto db = Database::open(path);
  EXPECT_TRUE(db.ok());
  auto t = (*db)->table(table);
  auto cursor = t->scan();
  std::vector<Row> rows;
  Row row;
  while (cursor->next(row).value()) rows.push_back(row);
  return rows;
}

std::vector<Record> readAll(RecordSet& records) {
  std::vector<Record> all, batch;
  for (int64_t at = 0; at < records.recordCount(); at += 100) {
    Status read = records.read(at, 100, batch);
    EXPECT_TRUE(read.ok()) << read.error().message();
    all.insert(all.end(), batch.begin(), batch.end());
  }
  return all;
}

void expectSameRows(const std::vector<Record>& records, const std::vector<Row>& rows) {
  ASSERT_EQ(records.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(records[i].id, rows[i].id) << "record " << i;
    EXPECT_EQ(records[i].values, rows[i].values) << "record " << i;
  }
}

TEST(RecordSetSource, NamesOneWholeTableBetweenGraveAccents) {
  EXPECT_EQ(tableOfSource("SELECT * FROM `Orders`;").value(), "Orders");
  EXPECT_EQ(tableOfSource("select * from `Order Details (2020) #1`;").value(), "Order Details (2020) #1");
  EXPECT_EQ(sourceForTable("My Table"), "SELECT * FROM `My Table`;");
  for (const char* refused :
       {"SELECT * FROM Orders;", "SELECT * FROM `Orders`", "SELECT ID FROM `Orders`;", "SELECT * FROM ``;",
        "SELECT * FROM `a`b`;", "SELECT * FROM `Orders`; DELETE", "SELECT * FROM `;", "DELETE FROM `Orders`;", ""}) {
    auto table = tableOfSource(refused);
    ASSERT_FALSE(table.ok()) << refused;
    EXPECT_EQ(table.error().kind(), ErrorKind::Unsupported);
    EXPECT_NE(table.error().message().find("SELECT * FROM `table`;"), std::string::npos);
  }
}

TEST(RecordSetOpen, NeedsAnOpenConnectionAndAnExistingTableAndKeepsTheFileOpen) {
  const std::string path = fixture("mdb-reader/data/V2010/test.accdb");
  RecordSet records;
  auto closed = std::make_shared<Connection>();
  EXPECT_EQ(records.open("SELECT * FROM `Table1`;", closed).error().kind(), ErrorKind::InvalidArgument);
  EXPECT_EQ(records.open("SELECT * FROM `Nope`;", connect(path)).error().kind(), ErrorKind::NotFound);
  EXPECT_EQ(records.open("SELECT * FROM Table1", connect(path)).error().kind(), ErrorKind::Unsupported);
  EXPECT_FALSE(records.isOpen());

  {
    auto connection = connect(path);
    ASSERT_TRUE(records.open("SELECT * FROM `table1`;", connection).ok());
    connection->close();  // the record set still holds the database
  }
  EXPECT_EQ(records.tableName(), "Table1");
  ASSERT_EQ(records.fields().size(), 9u);
  EXPECT_EQ(records.fields()[0].name, "A");
  std::vector<Record> rows;
  ASSERT_TRUE(records.read(0, 10, rows).ok());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].values[0], Value(std::string("abcdefg")));
  EXPECT_FALSE(records.open("SELECT * FROM `Table1`;", connect(path)).ok());

  records.close();
  EXPECT_TRUE(records.fields().empty());
  EXPECT_FALSE(records.read(0, 1, rows).ok());
}

TEST(RecordSetRead, AnyPositionGivesTheRowsAScanGivesThere) {
  const std::string path = fixture("jackcess/V2003/compIndexTestV2003.mdb");
  const std::vector<Row> rows = scanOf(path, "Table1");
  auto records = openTable(path, "Table1");
  ASSERT_EQ(records->recordCount(), 512);

  std::mt19937 random(7);
  std::vector<Record> batch;
  for (int i = 0; i < 60; ++i) {
    int64_t first = std::uniform_int_distribution<int64_t>(0, 520)(random);
    int64_t count = std::uniform_int_distribution<int64_t>(1, 70)(random);
    ASSERT_TRUE(records->read(first, count, batch).ok());
    int64_t expected = std::max<int64_t>(0, std::min<int64_t>(count, 512 - first));
    ASSERT_EQ(int64_t(batch.size()), expected) << "from " << first;
    for (size_t k = 0; k < batch.size(); ++k) {
      EXPECT_EQ(batch[k].id, rows[size_t(first) + k].id) << "position " << first + int64_t(k);
      EXPECT_EQ(batch[k].values, rows[size_t(first) + k].values);
    }
  }
  // The ids remembered to get there: one per 256 records.
  EXPECT_LE(records->rememberedIds(), 2u);
  EXPECT_TRUE(records->recordCountIsExact());
}

TEST(RecordSetCount, AStaleKeptCountIsCorrectedWhenReadingReachesTheEnd) {
  // Access left this table's kept count at 3; it holds 4 rows.
  const std::string path = fixture("jackcess/V2010/calcFieldTestV2010.accdb");
  auto records = openTable(path, "Table1");
  EXPECT_EQ(records->recordCount(), 3);
  EXPECT_FALSE(records->recordCountIsExact());
  std::vector<Record> batch;
  ASSERT_TRUE(records->read(1, 2, batch).ok());
  EXPECT_EQ(batch.size(), 2u);
  EXPECT_EQ(records->recordCount(), 4);
  EXPECT_TRUE(records->recordCountIsExact());
  ASSERT_TRUE(records->read(0, 10, batch).ok());
  EXPECT_EQ(batch.size(), 4u);
  EXPECT_EQ(batch[3].values[1], Value(std::string("Test")));

  auto counted = openTable(path, "Table1");
  EXPECT_EQ(counted->exactRecordCount().value(), 4);
}

struct WritableTable : ::testing::Test {
  test::TempDir dir;
  std::string path;
  std::unique_ptr<RecordSet> records;

  void open(const std::string& file, const std::string& table) {
    path = dir.copyFixture(file);
    records = openTable(path, table, ConnectMode::ReadWrite);
    ASSERT_TRUE(records->checkUpdatable().ok());
  }
};

TEST_F(WritableTable, AnUpdateIsWrittenAndAStaleOneWritesNothing) {
  open("mdb-reader/data/V2010/test.accdb", "Table1");
  std::vector<Record> rows;
  ASSERT_TRUE(records->read(0, 2, rows).ok());
  std::vector<Value> after = rows[1].values;
  after[1] = std::string("changed");
  after[8] = Value();  // a Yes/No left empty is stored as No
  auto stored = records->update(rows[1], after);
  ASSERT_TRUE(stored.ok()) << stored.error().message();
  EXPECT_EQ(stored->values[1], Value(std::string("changed")));
  EXPECT_EQ(stored->values[8], Value(false));

  std::vector<Value> again = rows[1].values;  // as first read: stale now
  again[4] = int32_t(5);
  auto conflict = records->update(rows[1], again);
  ASSERT_FALSE(conflict.ok());
  EXPECT_EQ(conflict.error().kind(), ErrorKind::Conflict);
  ASSERT_TRUE(records->update(*stored, again).ok());  // named as stored, it goes through

  records.reset();
  auto onFile = scanOf(path, "Table1");
  EXPECT_EQ(onFile[1].values[1], Value(std::string("hijklmnop")));
  EXPECT_EQ(onFile[1].values[4], Value(int32_t(5)));
}

TEST_F(WritableTable, AddedRecordsFollowTheTableOnceWithTheirAutoNumber) {
  open("jackcess/V2010/calcFieldTestV2010.accdb", "Table1");
  std::vector<Value> values(records->fields().size());
  values[1] = std::string("Ada");
  values[2] = std::string("Lovelace");
  auto added = records->addNew(values);
  ASSERT_TRUE(added.ok()) << added.error().message();
  EXPECT_EQ(added->values[0], Value(int32_t(5)));
  // The kept count (3, stale) is corrected as reading reaches the end, and
  // the new row, wherever the engine put it, is read once, last.
  std::vector<Record> all;
  ASSERT_TRUE(records->read(0, 100, all).ok());
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(records->recordCount(), 5);
  EXPECT_EQ(all[4].id, added->id);
  EXPECT_EQ(all[3].values[0], Value(int32_t(4)));

  values[0] = int32_t(1);  // a duplicate primary key: refused, nothing added
  auto duplicate = records->addNew(values);
  ASSERT_FALSE(duplicate.ok());
  EXPECT_EQ(duplicate.error().kind(), ErrorKind::Constraint);
  EXPECT_EQ(records->recordCount(), 5);

  // Deleting the added record takes it from the end.
  ASSERT_TRUE(records->remove({{4, all[4]}}).ok());
  EXPECT_EQ(records->recordCount(), 4);
  EXPECT_EQ(readAll(*records).size(), 4u);
}

TEST_F(WritableTable, DeletingMovesTheLaterRecordsUpAndFailsWhole) {
  open("jackcess/V2003/compIndexTestV2003.mdb", "Table1");
  std::vector<Record> before = readAll(*records);  // remembers ids along the way
  ASSERT_EQ(before.size(), 512u);

  std::vector<std::pair<int64_t, Record>> gone{{3, before[3]}, {300, before[300]}, {256, before[256]}};
  ASSERT_TRUE(records->remove(gone).ok());
  EXPECT_EQ(records->recordCount(), 509);
  std::vector<Record> expected = before;
  for (int64_t at : {300, 256, 3}) expected.erase(expected.begin() + at);

  // Reads restarting at remembered ids land where they should.
  std::vector<Record> batch;
  for (int64_t first : {300, 255, 0, 500, 254}) {
    ASSERT_TRUE(records->read(first, 9, batch).ok());
    for (size_t k = 0; k < batch.size(); ++k) EXPECT_EQ(batch[k].id, expected[size_t(first) + k].id) << first + k;
  }
  expectSameRows(readAll(*records), scanOf(path, "Table1"));

  // One stale record among several: nothing is deleted.
  std::vector<std::pair<int64_t, Record>> mixed{{0, expected[0]}, {1, before[3]}};
  auto refused = records->remove(mixed);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().kind(), ErrorKind::Conflict);
  EXPECT_EQ(records->recordCount(), 509);
  EXPECT_EQ(scanOf(path, "Table1").size(), 509u);
}

TEST(RecordSetReadOnly, ChangesAreRefusedWithTheEnginesMessage) {
  test::TempDir dir;
  const std::string path = dir.copyFixture("mdb-reader/data/V2010/test.accdb");
  auto forReading = openTable(path, "Table1");
  EXPECT_EQ(forReading->checkUpdatable().error().message(), kReadOnlyMessage);

  // Another writer holds the file.
  auto writer = Database::open(path, OpenOptions{"", true, nullptr});
  ASSERT_FALSE((*writer)->isReadOnly());
  auto records = openTable(path, "Table1", ConnectMode::ReadWrite);
  Status refused = records->checkUpdatable();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().kind(), ErrorKind::ReadOnly);
  EXPECT_EQ(refused.error().message(), std::string(kReadOnlyMessage) + " (another program is changing the database)");
  std::vector<Record> rows;
  ASSERT_TRUE(records->read(0, 2, rows).ok());
  auto update = records->update(rows[0], rows[0].values);
  ASSERT_FALSE(update.ok());
  EXPECT_EQ(update.error().message(), kReadOnlyMessage);
  EXPECT_EQ(records->remove({{0, rows[0]}, {1, rows[1]}}).error().kind(), ErrorKind::ReadOnly);
}

}  // namespace
}  // namespace ledgerfen::data
