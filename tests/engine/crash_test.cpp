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
