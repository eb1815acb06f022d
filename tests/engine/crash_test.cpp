// Crash safety: a commit interrupted at any write, or failing at any write,
// leaves the database as it was before or as it is after, never a mixture,
// and the integrity check stays clean.
#include <gtest/gtest.h>

#include <sstream>

#include "canonical/canonical_dump.h"
#include "ledgerfen/database.h"
#include "support/fixtures.h"
#include "support/memory_env.h"

namespace ledgerfen {
namespace {

constexpr const char* kPath = "/db/x.mdb";

std::string dump(test::MemoryEnv& env) {
  auto db = Database::open(kPath, OpenOptions{"", false, &env});
  if (!db) return "cannot open: " + db.error().message();
  std::ostringstream out;
  Status s = canonical::writeCanonicalDump(**db, out);
  auto report = (*db)->checkIntegrity(true);
  if (!report || !report->problems.empty()) return "not clean";
  return s ? out.str() : "cannot dump: " + s.error().message();
}

// Several inserts, an update that moves a row and a delete, in one commit.
Status change(Database& db) {
  auto table = db.table("Table1");
  if (!table) return table.error();
  LF_RETURN_IF_ERROR(db.begin());
  std::vector<Row> rows;
  for (int i = 0; i < 30; ++i) {
    std::vector<Value> values(9, Value(std::string(30, char('a' + i % 26))));
    LF_ASSIGN_OR_RETURN(Row row, table->insertRow(values));
    rows.push_back(row);
  }
  LF_RETURN_IF_ERROR(table->updateRow(rows[0].id, rows[0].values, std::vector<Value>(9, Value(std::string(50, 'Z')))));
  LF_RETURN_IF_ERROR(table->deleteRow(rows[1].id, rows[1].values));
  return db.commit();
}

class CrashTest : public testing::Test {
 protected:
  void SetUp() override {
    original_ = test::readFileBytes(test::fixtureNamed("jackcess/V2000/overflowTestV2000.mdb").fullPath());
    env_.put(kPath, original_);
    before_ = dump(env_);
    {
      auto db = Database::open(kPath, OpenOptions{"", true, &env_});
      int start = env_.operations();
      ASSERT_TRUE(change(**db).ok());
      writes_ = env_.operations() - start;
    }
    after_ = dump(env_);
    ASSERT_NE(before_, after_);
  }

  test::MemoryEnv env_;
  std::vector<uint8_t> original_;
  std::string before_, after_;
  int writes_ = 0;
};

TEST_F(CrashTest, CrashAtEveryWriteLeavesBeforeOrAfter) {
  ASSERT_GT(writes_, 5);
  for (int n = 0; n <= writes_; ++n) {
    test::MemoryEnv env;
    env.put(kPath, original_);
    {
      auto db = Database::open(kPath, OpenOptions{"", true, &env});
      ASSERT_TRUE(db.ok());
      env.crashAtWrite(n);
      (void)change(**db);
    }
    env.crash();
    env.reboot();
    std::string state = dump(env);
    EXPECT_TRUE(state == before_ || state == after_) << "crash at write " << n << ": " << state.substr(0, 80);
  }
}

TEST_F(CrashTest, FailedWriteLeavesTheFileAsItWas) {
  for (int n = 0; n < writes_; ++n) {
    test::MemoryEnv env;
    env.put(kPath, original_);
    {
      auto db = Database::open(kPath, OpenOptions{"", true, &env});
      ASSERT_TRUE(db.ok());
      env.failWriteNumber(n);
      Status s = change(**db);
      EXPECT_FALSE(s.ok()) << "write " << n;
    }
    EXPECT_TRUE(dump(env) == before_) << "failure at write " << n;
  }
}

TEST_F(CrashTest, ReadOnlyOpenRollsBackALeftoverJournalWhenItCan) {
  test::MemoryEnv env;
  env.put(kPath, original_);
  {
    auto db = Database::open(kPath, OpenOptions{"", true, &env});
    // Crash after the journal is durable and some pages are written.
    env.crashAtWrite(writes_ / 2 + 3);
    (void)change(**db);
  }
  env.crash();
  env.reboot();
  ASSERT_TRUE(env.exists(std::string(kPath) + "-journal"));
  std::string state = dump(env);  // opens for reading only
  EXPECT_TRUE(state == before_ || state == after_);

  // Without write access the interrupted change cannot be undone: say so.
  test::MemoryEnv locked;
  locked.put(kPath, original_);
  {
    auto db = Database::open(kPath, OpenOptions{"", true, &locked});
    locked.crashAtWrite(writes_ / 2 + 3);
    (void)change(**db);
  }
  locked.crash();
  locked.reboot();
  locked.makeReadOnly(kPath);
  auto db = Database::open(kPath, OpenOptions{"", false, &locked});
  if (locked.exists(std::string(kPath) + "-journal") && !db.ok()) {
    EXPECT_EQ(db.error().kind(), ErrorKind::ReadOnly);
    EXPECT_NE(db.error().message().find("interrupted"), std::string::npos);
  }
}

}  // namespace
}  // namespace ledgerfen

namespace ledgerfen {
namespace {

// A transaction larger than the pager keeps in memory writes part of its
// pages before the commit; a crash in between must still undo all of it.
TEST(LargeTransaction, CrashWhileSpillingLeavesBeforeOrAfter) {
  const std::string path = "/db/numeric.mdb";
  auto original = test::readFileBytes(test::fixtureNamed("mdb-reader/data/V2003/numeric.mdb").fullPath());
  auto fill = [&](test::MemoryEnv& env) -> Status {
    LF_ASSIGN_OR_RETURN(auto db, Database::open(path, OpenOptions{"", true, &env}));
    LF_ASSIGN_OR_RETURN(Table table, db->table("test"));
    LF_RETURN_IF_ERROR(db->begin());
    for (int i = 0; i < 520; ++i) {
      std::vector<Value> values(table.schema().columns.size());
      values[0] = std::string(20000, char('a' + i % 26));  // 40 KB of UTF-16
      LF_RETURN_IF_ERROR(table.insertRow(std::move(values)).ok() ? okStatus() : Error(ErrorKind::Io, "insert"));
    }
    return db->commit();
  };
  auto rows = [&](test::MemoryEnv& env) -> int {
    auto db = Database::open(path, OpenOptions{"", false, &env});
    if (!db) return -1;
    auto report = (*db)->checkIntegrity(true);
    if (!report || !report->problems.empty()) return -2;
    return int((*db)->table("test")->countRows().value());
  };

  test::MemoryEnv reference;
  reference.put(path, original);
  const int before = rows(reference);
  int start = reference.operations();
  ASSERT_TRUE(fill(reference).ok());
  const int operations = reference.operations() - start;
  ASSERT_EQ(rows(reference), before + 520);

  for (int k = 1; k <= 9; ++k) {
    test::MemoryEnv env;
    env.put(path, original);
    env.crashAtWrite(operations * k / 10);
    (void)fill(env);
    env.crash();
    env.reboot();
    int now = rows(env);
    EXPECT_TRUE(now == before || now == before + 520) << "crash at write " << operations * k / 10 << ": " << now;
  }
}

}  // namespace
}  // namespace ledgerfen
