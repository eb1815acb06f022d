// Changing rows: values read back as written, moved rows keep their id, long
// values of every size, and every refused change leaves the file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "format/format_spec.h"
#include "ledgerfen/database.h"
#include "ledgerfen/value_text.h"
#include "support/fixtures.h"
#include "support/memory_env.h"
#include "support/oracles.h"
#include "support/temp_dir.h"
#include "write/value_encoder.h"

namespace ledgerfen {
namespace {

using test::TempDir;

std::unique_ptr<Database> openForWriting(const std::string& path, Env* env = nullptr) {
  auto db = Database::open(path, OpenOptions{"", true, env});
  EXPECT_TRUE(db.ok()) << db.error().message();
  EXPECT_FALSE((*db)->isReadOnly()) << (*db)->readOnlyReason();
  return std::move(*db);
}

std::vector<Row> allRows(Database& db, const std::string& table, ScanOrder order = ScanOrder::Logical) {
  auto t = db.table(table);
  EXPECT_TRUE(t.ok());
  auto cursor = t->scan(order);
  std::vector<Row> rows;
  Row row;
  while (cursor->next(row).value()) rows.push_back(row);
  return rows;
}

// The file passes the strict check, and every user table's stored row
// count is the rows it holds (the fixtures written here start with right ones).
void expectClean(Database& db) {
  auto report = db.checkIntegrity(/*strict=*/true);
  ASSERT_TRUE(report.ok()) << report.error().message();
  for (const std::string& p : report->problems) ADD_FAILURE() << p;
  auto names = db.userTableNames();
  ASSERT_TRUE(names.ok()) << names.error().message();
  for (const std::string& name : *names) {
    auto table = db.table(name);
    ASSERT_TRUE(table.ok()) << table.error().message();
    auto rows = table->countRows();
    ASSERT_TRUE(rows.ok()) << rows.error().message();
    EXPECT_EQ(table->schema().rowCount, *rows) << "the stored row count of " << name;
  }
}

Value text(const std::string& s) {
  return Value(s);
}

// jobDB1: ID, MainNumber (Long), PhaseNumber (Double), six Text(255), FullNumber (Double).
std::vector<Value> job(int32_t id, const std::string& name, double phase) {
  std::vector<Value> v(10);
  v[0] = id;
  v[1] = int32_t(id * 10);
  v[2] = phase;
  v[3] = text(name);
  v[9] = phase * 2;
  return v;
}

TEST(Write, InsertedRowsReadBackAsWritten) {
  TempDir dir;
  std::string path = dir.copyFixture("jackcess/V2000/testPromotionV2000.mdb");
  // Text that cannot be stored compressed (a zero low byte: U+4E00, the
  // second half of an emoji) next to text that can.
  const std::vector<std::string> names = {
      "plain ascii", "\xE4\xB8\x80 CJK one", "smile \xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9", "", std::string(255, 'x')};
  std::vector<Row> written;
  {
    auto db = openForWriting(path);
    auto table = db->table("jobDB1");
    for (size_t i = 0; i < names.size(); ++i) {
      auto stored = table->insertRow(job(int32_t(i + 1), names[i], 0.1 * double(i)));
      ASSERT_TRUE(stored.ok()) << stored.error().message();
      written.push_back(*stored);
    }
    expectClean(*db);
  }
  auto db = Database::open(path);
  std::vector<Row> rows = allRows(**db, "jobDB1");
  ASSERT_EQ(rows.size(), names.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].id, written[i].id);
    for (size_t c = 0; c < rows[i].values.size(); ++c) {
      EXPECT_TRUE(sameValue(rows[i].values[c], written[i].values[c])) << "row " << i << " column " << c;
    }
  }
  EXPECT_EQ(std::get<std::string>(rows[2].values[3]), names[2]);
}

TEST(Write, TooLongTextIsRefusedAndNothingIsWritten) {
  TempDir dir;
  std::string path = dir.copyFixture("jackcess/V2000/testPromotionV2000.mdb");
  auto before = test::readFileBytes(path);
  {
    auto db = openForWriting(path);
    auto table = db->table("jobDB1");
    auto stored = table->insertRow(job(1, std::string(256, 'y'), 1));
    ASSERT_FALSE(stored.ok());
    EXPECT_EQ(stored.error().kind(), ErrorKind::Constraint);
    EXPECT_NE(stored.error().message().find("JobName"), std::string::npos);
    auto wrongType = table->insertRow({text("one"), {}, {}, {}, {}, {}, {}, {}, {}, {}});
    ASSERT_FALSE(wrongType.ok());
    EXPECT_EQ(wrongType.error().kind(), ErrorKind::Constraint);
  }
  EXPECT_EQ(test::readFileBytes(path), before);
}

TEST(Write, RowThatOutgrowsItsPageMovesAndKeepsItsId) {
  TempDir dir;
  std::string path = dir.copyFixture("jackcess/V2000/overflowTestV2000.mdb");
  auto db = openForWriting(path);
  auto table = db->table("Table1");
  std::vector<Value> small(9);
  small[0] = text("first");
  auto first = table->insertRow(small);
  ASSERT_TRUE(first.ok());
  // Fill the page around it.
  for (int i = 0; i < 60; ++i) {
    std::vector<Value> filler(9, text(std::string(40, char('a' + i % 26))));
    ASSERT_TRUE(table->insertRow(filler).ok());
  }
  std::vector<Value> grown(9, text(std::string(50, 'G')));
  ASSERT_TRUE(table->updateRow(first->id, first->values, grown).ok());
  auto reread = table->readRow(first->id);
  ASSERT_TRUE(reread.ok()) << reread.error().message();
  EXPECT_TRUE(sameValue(reread->values[8], grown[8]));
  expectClean(*db);

  // Grows again (moves again) and is then deleted: nothing is left behind.
  ASSERT_TRUE(table->updateRow(first->id, grown, std::vector<Value>(9, text(std::string(50, 'H')))).ok());
  ASSERT_TRUE(table->deleteRow(first->id, std::vector<Value>(9, text(std::string(50, 'H')))).ok());
  EXPECT_EQ(table->readRow(first->id).error().kind(), ErrorKind::NotFound);
  expectClean(*db);
  for (const Row& row : allRows(*db, "Table1", ScanOrder::Storage)) {
    EXPECT_FALSE(sameValue(row.values[0], text(std::string(50, 'H'))));
  }
}

TEST(Write, LongValuesOfEverySizeRoundTrip) {
  TempDir dir;
  std::string path = dir.copyFixture("mdb-reader/data/V2003/numeric.mdb");
  auto db = openForWriting(path);
  auto table = db->table("test");
  const size_t sizes[] = {0, 1, 32, 33, 2000, 2038, 2040, 9000, 30000};  // characters: 2 bytes each in UTF-16
  std::vector<Row> stored;
  for (size_t size : sizes) {
    std::vector<Value> values(table->schema().columns.size());
    std::string memo;
    for (size_t i = 0; i < size; ++i) memo += i % 7 == 0 ? std::string("\xC3\xA9") : std::string(1, char('a' + i % 26));
    values[0] = text(memo);
    auto row = table->insertRow(values);
    ASSERT_TRUE(row.ok()) << row.error().message();
    stored.push_back(*row);
  }
  expectClean(*db);
  for (const Row& row : stored) {
    auto back = table->readRow(row.id);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(sameValue(back->values[0], row.values[0]));
  }
  // Shrink the longest, grow the shortest, delete one in the middle.
  std::vector<Value> shorter = stored.back().values, longer = stored.front().values;
  shorter[0] = text("short now");
  longer[0] = text(std::string(12000, 'L'));
  ASSERT_TRUE(table->updateRow(stored.back().id, stored.back().values, shorter).ok());
  ASSERT_TRUE(table->updateRow(stored.front().id, stored.front().values, longer).ok());
  ASSERT_TRUE(table->deleteRow(stored[5].id, stored[5].values).ok());
  expectClean(*db);
  EXPECT_TRUE(sameValue(table->readRow(stored.front().id)->values[0], longer[0]));
  EXPECT_TRUE(sameValue(table->readRow(stored.back().id)->values[0], shorter[0]));
}

TEST(Write, StaleValuesAreAConflictAndWriteNothing) {
  TempDir dir;
  std::string path = dir.copyFixture("jackcess/V2000/overflowTestV2000.mdb");
  auto before = test::readFileBytes(path);
  {
    auto db = openForWriting(path);
    auto table = db->table("Table1");
    Row row = allRows(*db, "Table1").front();
    std::vector<Value> stale = row.values;
    stale[0] = text("not what it holds");
    Status update = table->updateRow(row.id, stale, std::vector<Value>(9, text("x")));
    ASSERT_FALSE(update.ok());
    EXPECT_EQ(update.error().kind(), ErrorKind::Conflict);
    Status erase = table->deleteRow(row.id, stale);
    EXPECT_EQ(erase.error().kind(), ErrorKind::Conflict);
    Status gone = table->deleteRow(RowId{row.id.page, 200}, row.values);
    EXPECT_EQ(gone.error().kind(), ErrorKind::Conflict);
  }
  EXPECT_EQ(test::readFileBytes(path), before);
}

TEST(Write, ABatchIsWrittenWholeOrNotAtAll) {
  TempDir dir;
  std::string path = dir.copyFixture("jackcess/V2000/testPromotionV2000.mdb");
  auto before = test::readFileBytes(path);
  {
    auto db = openForWriting(path);
    auto table = db->table("jobDB1");
    ASSERT_TRUE(db->begin().ok());
    ASSERT_TRUE(table->insertRow(job(1, "one", 1)).ok());
    ASSERT_TRUE(table->insertRow(job(2, "two", 2)).ok());
    db->rollback();
    EXPECT_FALSE(db->commit().ok());
  }
  EXPECT_EQ(test::readFileBytes(path), before);
  {
    auto db = openForWriting(path);
    auto table = db->table("jobDB1");
    ASSERT_TRUE(db->begin().ok());
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(table->insertRow(job(i, "n" + std::to_string(i), i)).ok());
    ASSERT_TRUE(db->commit().ok());
  }
  auto db = Database::open(path);
  EXPECT_EQ(allRows(**db, "jobDB1").size(), 50u);
}

// A change refused inside a transaction is undone alone, with whatever it
// had written already (here a long memo before the duplicate key is found).
TEST(Write, ARefusedChangeLeavesTheRestOfItsTransaction) {
  TempDir dir;
  const std::string path = dir.path() + "/batch.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  {
    auto db = openForWriting(path);
    TableSpec spec{"Items",
                   {ColumnSpec{"Code", ColumnType::Text, 10}, ColumnSpec{"Notes", ColumnType::Memo}},
                   {IndexSpec{"Code", {{"Code"}}, false, true}}};
    auto table = db->createTable(spec);
    ASSERT_TRUE(table.ok()) << table.error().message();
    ASSERT_TRUE(db->begin().ok());
    for (int i = 0; i < 60; ++i) {
      const std::string memo(3000 + i, char('a' + i % 26));
      auto row = table->insertRow({text("c" + std::to_string(i % 40)), text(memo)});
      EXPECT_EQ(row.ok(), i < 40) << i;
    }
    EXPECT_FALSE(table->insertRow({text(std::string(11, 'x')), Value()}).ok());  // too long
    ASSERT_TRUE(db->commit().ok());
  }
  auto db = Database::open(path);
  auto rows = allRows(**db, "Items");
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(std::get<std::string>(rows[7].values[1]), std::string(3007, char('a' + 7)));
  auto report = (*db)->checkIntegrity(/*strict=*/true);
  ASSERT_TRUE(report.ok());
  EXPECT_EQ(report->problems.size() + report->notes.size(), 0u) << "the undone memos left pages behind";
}

// A cursor over an index reads on in key order while rows go into the leaf
// it is on, before its place: it neither gives a key twice nor misses one.
TEST(Write, AnIndexCursorKeepsItsOrderWhileRowsAreAdded) {
  TempDir dir;
  const std::string path = dir.path() + "/cursor.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto db = openForWriting(path);
  TableSpec spec{"Items", {ColumnSpec{"Code", ColumnType::Long}}, {IndexSpec{"Code", {{"Code"}}, false, true}}};
  auto table = db->createTable(spec);
  ASSERT_TRUE(table.ok()) << table.error().message();
  for (int32_t i = 0; i < 300; ++i) ASSERT_TRUE(table->insertRow({int32_t(i * 10)}).ok());
  auto cursor = table->seek("Code", IndexRange{});
  ASSERT_TRUE(cursor.ok()) << cursor.error().message();
  Row row;
  int32_t last = -1;
  size_t seen = 0;
  while (cursor->next(row).value()) {
    const int32_t code = std::get<int32_t>(row.values[0]);
    ASSERT_GT(code, last);
    last = code;
    if (code % 10 == 0) {
      ++seen;
      ASSERT_TRUE(table->insertRow({int32_t(code - 5)}).ok());
    }
  }
  EXPECT_EQ(seen, 300u);
  expectClean(*db);
}

TEST(Write, AFileThatCannotBeWrittenOpensReadOnly) {
  test::MemoryEnv env;
  env.put("/db/x.mdb", test::readFileBytes(test::fixtureNamed("jackcess/V2000/testPromotionV2000.mdb").fullPath()));
  env.makeReadOnly("/db/x.mdb");
  auto db = Database::open("/db/x.mdb", OpenOptions{"", true, &env});
  ASSERT_TRUE(db.ok());
  EXPECT_TRUE((*db)->isReadOnly());
  auto stored = (*db)->table("jobDB1")->insertRow(job(1, "one", 1));
  ASSERT_FALSE(stored.ok());
  EXPECT_EQ(stored.error().kind(), ErrorKind::ReadOnly);
  EXPECT_EQ(stored.error().message(), "Cannot update. Database or object is read-only.");

  // A file that ends in part of a page is damaged or cut short: it is read,
  // not changed, and stays byte for byte as it was.
  std::vector<uint8_t> bytes =
      test::readFileBytes(test::fixtureNamed("jackcess/V2000/testPromotionV2000.mdb").fullPath());
  bytes.resize(bytes.size() + 100, 0xAB);
  env.put("/db/tail.mdb", bytes);
  {
    auto tail = Database::open("/db/tail.mdb", OpenOptions{"", true, &env});
    ASSERT_TRUE(tail.ok()) << tail.error().message();
    EXPECT_TRUE((*tail)->isReadOnly());
    EXPECT_NE((*tail)->readOnlyReason().find("part of a page"), std::string::npos) << (*tail)->readOnlyReason();
    EXPECT_FALSE((*tail)->table("jobDB1")->insertRow(job(1, "one", 1)).ok());
    EXPECT_TRUE((*tail)->table("jobDB1")->scan().ok());
  }
  EXPECT_EQ(env.contents("/db/tail.mdb"), bytes);
}

TEST(Write, OnlyOneWriterAtATime) {
  test::MemoryEnv env;
  env.put("/db/x.mdb", test::readFileBytes(test::fixtureNamed("jackcess/V2000/testPromotionV2000.mdb").fullPath()));
  auto first = openForWriting("/db/x.mdb", &env);
  EXPECT_TRUE(env.exists("/db/x.ldb"));
  auto second = Database::open("/db/x.mdb", OpenOptions{"", true, &env});
  ASSERT_TRUE(second.ok());
  EXPECT_TRUE((*second)->isReadOnly());
  EXPECT_FALSE((*second)->readOnlyReason().empty());
  first.reset();
  EXPECT_FALSE(env.exists("/db/x.ldb"));
}

TEST(Write, LockFileOfAnotherComputerMeansReadOnly) {
  test::MemoryEnv env;
  env.put("/db/x.accdb", test::readFileBytes(test::fixtureNamed("jackcess/V2007/overflowTestV2007.accdb").fullPath()));
  std::vector<uint8_t> slot(64, 0);
  std::string host = "OFFICE-PC";
  std::copy(host.begin(), host.end(), slot.begin());
  env.put("/db/x.laccdb", slot);
  auto db = Database::open("/db/x.accdb", OpenOptions{"", true, &env});
  ASSERT_TRUE(db.ok());
  EXPECT_TRUE((*db)->isReadOnly());
  EXPECT_NE((*db)->readOnlyReason().find("x.laccdb"), std::string::npos);

  // One left behind by an earlier run on this computer is taken over.
  std::string ours = env.hostName();
  std::fill(slot.begin(), slot.end(), 0);
  std::copy(ours.begin(), ours.end(), slot.begin());
  std::copy_n("Admin", 5, slot.begin() + 32);
  env.put("/db/x.laccdb", slot);
  auto again = Database::open("/db/x.accdb", OpenOptions{"", true, &env});
  EXPECT_FALSE((*again)->isReadOnly()) << (*again)->readOnlyReason();
}

}  // namespace
}  // namespace ledgerfen

namespace ledgerfen {
namespace {

// indexTestV2000: Table1.otherfk1 refers to Table2.id (cascading deletes),
// Table1.otherfk2 to Table3.id (cascading updates).
class Relationships : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.copyFixture("jackcess/V2000/indexTestV2000.mdb");
    db_ = openForWriting(path_);
  }
  Row insert(const std::string& table, std::vector<Value> values) {
    auto row = db_->table(table)->insertRow(std::move(values));
    EXPECT_TRUE(row.ok()) << (row.ok() ? "" : row.error().message());
    return row.ok() ? *row : Row{};
  }
  // Table1: id, otherfk1, otherfk2, data, otherfk3.
  std::vector<Value> child(int32_t id, Value fk1, Value fk2) { return {id, fk1, fk2, Value(std::string("c")), {}}; }

  test::TempDir dir_;
  std::string path_;
  std::unique_ptr<Database> db_;
};

TEST_F(Relationships, AReferenceNeedsTheRowItNames) {
  auto refused = db_->table("Table1")->insertRow(child(900, int32_t(777), {}));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message(),
            "You cannot add or change a record because a related record is required in table 'Table2'.");
  insert("Table2", {int32_t(777), Value(std::string("parent"))});
  insert("Table1", child(900, int32_t(777), {}));
  insert("Table1", child(901, {}, {}));  // no reference at all
  expectClean(*db_);
}

TEST_F(Relationships, DeletingAReferencedRowCascades) {
  Row parent = insert("Table2", {int32_t(777), Value(std::string("parent"))});
  Row kid = insert("Table1", child(900, int32_t(777), {}));
  ASSERT_TRUE(db_->table("Table2")->deleteRow(parent.id, parent.values).ok());
  EXPECT_EQ(db_->table("Table1")->readRow(kid.id).error().kind(), ErrorKind::NotFound);
  expectClean(*db_);
}

TEST_F(Relationships, ChangingAReferencedKeyCascadesOrIsRefused) {
  Row parent = insert("Table3", {int32_t(88), Value(std::string("parent"))});
  Row kid = insert("Table1", child(900, {}, int32_t(88)));
  std::vector<Value> renumbered = parent.values;
  renumbered[0] = int32_t(89);
  ASSERT_TRUE(db_->table("Table3")->updateRow(parent.id, parent.values, renumbered).ok());
  EXPECT_TRUE(sameValue(db_->table("Table1")->readRow(kid.id)->values[2], int32_t(89)));

  // Table2 does not cascade updates: its referenced key cannot change.
  Row other = insert("Table2", {int32_t(5), Value(std::string("other"))});
  insert("Table1", child(901, int32_t(5), {}));
  std::vector<Value> moved = other.values;
  moved[0] = int32_t(6);
  Status refused = db_->table("Table2")->updateRow(other.id, other.values, moved);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message(),
            "The record cannot be deleted or changed because table 'Table1' includes related records.");
  expectClean(*db_);
}

// Index changes that are undone (a refused change inside a transaction, a
// rolled-back transaction) are gone for every later search of the same open
// database: finding a key, the duplicate check and the reference check.
TEST_F(Relationships, UndoneIndexChangesAreGoneForLaterSearches) {
  auto table2 = db_->table("Table2");
  ASSERT_TRUE(table2.ok());
  std::string primaryKey;
  for (const Index& index : table2->schema().indexes) {
    if (index.primaryKey) primaryKey = index.name;
  }
  ASSERT_FALSE(primaryKey.empty());
  auto found = [&](int32_t id) {
    auto cursor = db_->table("Table2")->find(primaryKey, {id});
    EXPECT_TRUE(cursor.ok());
    size_t n = 0;
    Row row;
    while (cursor.ok() && cursor->next(row).value()) ++n;
    return n;
  };

  Row parent = insert("Table2", {int32_t(5), Value(std::string("parent"))});
  insert("Table1", child(901, int32_t(5), {}));
  ASSERT_TRUE(db_->begin().ok());
  for (int32_t id = 100; id < 700; ++id) insert("Table2", {id, Value("p" + std::to_string(id))});
  // The new key reaches the index before the referring row refuses it.
  std::vector<Value> moved = parent.values;
  moved[0] = int32_t(6);
  EXPECT_FALSE(db_->table("Table2")->updateRow(parent.id, parent.values, moved).ok());
  EXPECT_EQ(found(5), 1u);
  EXPECT_EQ(found(6), 0u);
  EXPECT_EQ(found(699), 1u);
  insert("Table2", {int32_t(6), Value(std::string("taken now"))});
  insert("Table1", child(902, int32_t(5), {}));
  ASSERT_TRUE(db_->commit().ok());
  expectClean(*db_);

  ASSERT_TRUE(db_->begin().ok());
  for (int32_t id = 1000; id < 1600; ++id) insert("Table2", {id, Value("q" + std::to_string(id))});
  EXPECT_EQ(found(1599), 1u);
  db_->rollback();
  EXPECT_EQ(found(1599), 0u);
  EXPECT_EQ(found(699), 1u);
  auto again = db_->table("Table2")->insertRow({int32_t(1599), Value(std::string("again"))});
  EXPECT_TRUE(again.ok()) << again.error().message();
  EXPECT_FALSE(db_->table("Table2")->insertRow({int32_t(699), Value(std::string("twice"))}).ok());
  expectClean(*db_);
}

// Access sets column flag 0x40 on Text and Integer columns of some Access 97
// and 2000 files (Northwind's among them); only on a Replication ID column
// does it make a GUID AutoNumber. Rows that leave such columns out are
// ordinary rows.
TEST(Write, TheGuidFlagOnOtherColumnsMakesNoAutoNumber) {
  TempDir dir;
  const std::string path = dir.path() + "/flags.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  uint32_t definitionPage = 0;
  {
    auto db = openForWriting(path);
    TableSpec spec{"Shippers",
                   {{"Name", ColumnType::Text, 40},
                    {"Zone", ColumnType::Integer},
                    {"Ref", ColumnType::Guid, 0, 18, 0, false, /*autoNumber=*/true}},
                   {}};
    auto table = db->createTable(spec);
    ASSERT_TRUE(table.ok()) << table.error().message();
    definitionPage = table->schema().definitionPage;
  }
  // Set the flag on the first two column descriptors, as those files have it
  // (a table without indexes has its descriptors right after the header).
  const format::FormatSpec& spec = format::formatSpec(FileFormat::Jet4);
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (size_t column = 0; column < 2; ++column) {
      const std::streamoff at = std::streamoff(definitionPage) * spec.pageSize + spec.tdefHeaderSize +
                                std::streamoff(column * spec.columnDescriptorSize + spec.columnFlags);
      file.seekg(at);
      char flags = 0;
      file.read(&flags, 1);
      file.seekp(at);
      flags = char(uint8_t(flags) | 0x40);
      file.write(&flags, 1);
    }
  }
  auto db = openForWriting(path);
  auto table = db->table("Shippers");
  ASSERT_TRUE(table.ok());
  for (const Column& c : table->schema().columns) {
    EXPECT_EQ(c.guidAutoNumber, c.type == ColumnType::Guid) << c.name;
  }
  auto row = table->insertRow(std::vector<Value>(3));
  ASSERT_TRUE(row.ok()) << row.error().message();
  EXPECT_TRUE(isNull(row->values[0]));
  EXPECT_TRUE(isNull(row->values[1]));
  EXPECT_TRUE(std::holds_alternative<Guid>(row->values[2]));
  expectClean(*db);
}

// A value of another kind than its column's is an error naming the column,
// however it reaches the encoder; nothing is thrown.
TEST(Write, ValuesOfTheWrongKindAreRefusedByName) {
  Column c;
  c.name = "Qty";
  c.type = ColumnType::Integer;
  auto encoded = write::encodeValue(format::formatSpec(FileFormat::Ace12), c, Value(std::string("12")), nullptr);
  ASSERT_FALSE(encoded.ok());
  EXPECT_EQ(encoded.error().kind(), ErrorKind::InvalidArgument);
  EXPECT_NE(encoded.error().message().find("column Qty"), std::string::npos) << encoded.error().message();
}

// Text columns of fixed length (CHAR(n), as in databases moved from SQL
// Server) hold values padded with spaces to their length, as Access pads
// them; the row returned holds the value as stored.
TEST(Write, FixedLengthTextIsPaddedWithSpaces) {
  TempDir dir;
  const test::Fixture& fixture = test::fixtureNamed("efcore-jet/Northwind.accdb");
  const std::string path = dir.copyFixture(fixture.path);
  const std::string padded = "Westboro2" + std::string(41, ' ');
  {
    auto db = openForWriting(path);
    auto territories = db->table("Territories");
    ASSERT_TRUE(territories.ok());
    auto cursor = territories->scan();
    Row row;
    ASSERT_TRUE(cursor->next(row).value());
    std::vector<Value> after = row.values;
    after[1] = text("Westboro2");
    ASSERT_TRUE(territories->updateRow(row.id, row.values, after).ok());
    auto stored = territories->readRow(row.id);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(std::get<std::string>(stored->values[1]), padded);
    // The padded value is the row's own: writing it back changes nothing.
    after[1] = stored->values[1];
    EXPECT_TRUE(territories->updateRow(row.id, stored->values, after).ok());

    auto regions = db->table("Region");
    auto inserted = regions->insertRow({int32_t(99), text("Far North")});
    ASSERT_TRUE(inserted.ok()) << inserted.error().message();
    EXPECT_EQ(std::get<std::string>(inserted->values[1]), "Far North" + std::string(41, ' '));
    auto tooLong = regions->insertRow({int32_t(100), text(std::string(51, 'x'))});
    ASSERT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.error().kind(), ErrorKind::Constraint);
    expectClean(*db);
  }
  // The independent reader reads the spaces, and no NUL.
  auto theirs = test::mdbReaderDump(path, "");
  if (!theirs) GTEST_SKIP() << "the oracles are not installed (script/test installs them)";
  EXPECT_NE(theirs->find("\"" + padded + "\""), std::string::npos);
  EXPECT_NE(theirs->find("\"Far North" + std::string(41, ' ') + "\""), std::string::npos);
  EXPECT_EQ(theirs->find("\\u0000"), std::string::npos);
}

}  // namespace
}  // namespace ledgerfen
