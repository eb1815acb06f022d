// The pager and the journal on their own, over a file system in memory:
// statements undone alone, pages handed out never changing under their
// holders, a bounded cache, spilled changes put back, and a journal whose
// last record was torn rolling back only what it wholly holds.
#include <gtest/gtest.h>

#include "ledgerfen/env.h"
#include "page/journal.h"
#include "page/pager.h"
#include "support/memory_env.h"

namespace ledgerfen::page {
namespace {

constexpr uint32_t kPageSize = 512;
constexpr const char* kPath = "/db/pages.mdb";

// A file of `pages` pages, page n filled with the byte n.
std::vector<uint8_t> numberedPages(uint32_t pages) {
  std::vector<uint8_t> bytes(size_t(pages) * kPageSize);
  for (uint32_t n = 0; n < pages; ++n) std::fill_n(bytes.begin() + long(n) * kPageSize, kPageSize, uint8_t(n));
  return bytes;
}

uint8_t firstByte(Pager& pager, uint32_t number) {
  auto page = pager.read(number);
  EXPECT_TRUE(page.ok()) << page.error().message();
  return page.ok() ? page->bytes()[0] : 0xEE;
}

void fill(Pager& pager, uint32_t number, uint8_t value) {
  auto bytes = pager.modify(number);
  ASSERT_TRUE(bytes.ok()) << bytes.error().message();
  std::fill(bytes->begin(), bytes->end(), value);
}

class PagerTest : public testing::Test {
 protected:
  void SetUp() override { env_.put(kPath, numberedPages(8)); }

  std::unique_ptr<Pager> open(size_t cacheCapacity = 512) {
    auto file = env_.open(kPath, OpenMode::ReadWrite);
    EXPECT_TRUE(file.ok());
    auto pager = std::make_unique<Pager>(std::move(*file), kPageSize, 8 * kPageSize, cacheCapacity);
    pager->setJournal(&journal_);
    return pager;
  }

  test::MemoryEnv env_;
  Journal journal_{env_, kPath};
};

TEST_F(PagerTest, AnUndoneStatementLeavesTheTransactionsEarlierChanges) {
  auto pager = open();
  fill(*pager, 3, 0x33);
  pager->beginStatement();
  fill(*pager, 3, 0x34);  // changed before the statement too
  fill(*pager, 5, 0x55);  // first changed by the statement
  auto added = pager->append();
  ASSERT_TRUE(added.ok());
  EXPECT_EQ(pager->pageCount(), 9u);
  pager->undoStatement();
  EXPECT_EQ(firstByte(*pager, 3), 0x33);
  EXPECT_EQ(firstByte(*pager, 5), 5);
  EXPECT_EQ(pager->pageCount(), 8u);

  pager->beginStatement();
  fill(*pager, 6, 0x66);
  pager->endStatement();
  ASSERT_TRUE(pager->commit().ok());
  auto reopened = open();
  EXPECT_EQ(firstByte(*reopened, 3), 0x33);
  EXPECT_EQ(firstByte(*reopened, 5), 5);
  EXPECT_EQ(firstByte(*reopened, 6), 0x66);
}

TEST_F(PagerTest, PagesHandedOutNeverChangeUnderTheirHolders) {
  auto pager = open(/*cacheCapacity=*/2);
  auto held = pager->read(4);
  ASSERT_TRUE(held.ok());
  fill(*pager, 4, 0x44);
  EXPECT_EQ(held->bytes()[0], 4);
  EXPECT_EQ(firstByte(*pager, 4), 0x44);
  // Reading many other pages evicts page 4's cache entry; the holder keeps its bytes.
  for (uint32_t n = 0; n < 8; ++n) firstByte(*pager, n);
  EXPECT_EQ(held->bytes()[0], 4);
  ASSERT_TRUE(pager->discard().ok());
  EXPECT_EQ(firstByte(*pager, 4), 4);
}

TEST_F(PagerTest, AFullCacheGivesBackEveryPageAsStored) {
  auto pager = open(/*cacheCapacity=*/3);
  for (int round = 0; round < 3; ++round) {
    for (uint32_t n = 0; n < 8; ++n) EXPECT_EQ(firstByte(*pager, n), n);
  }
  EXPECT_FALSE(pager->read(8).ok()) << "a page past the end of the file";
}

TEST_F(PagerTest, SpilledChangesArePutBackByADiscard) {
  auto pager = open();
  for (uint32_t n = 1; n < 8; ++n) fill(*pager, n, uint8_t(0x80 + n));
  ASSERT_TRUE(pager->append().ok());
  ASSERT_TRUE(pager->spill().ok());
  EXPECT_EQ(pager->changedPages(), 0u);
  EXPECT_EQ(env_.contents(kPath).size(), 9u * kPageSize) << "spilled pages are in the file";
  EXPECT_EQ(firstByte(*pager, 2), 0x82);
  fill(*pager, 2, 0x92);  // changed again after the spill
  ASSERT_TRUE(pager->discard().ok());
  EXPECT_EQ(env_.contents(kPath), numberedPages(8));
  EXPECT_EQ(firstByte(*pager, 2), 2);
}

TEST(Journal, ATornLastRecordEndsWhatIsRolledBack) {
  test::MemoryEnv env;
  env.put(kPath, numberedPages(4));
  auto db = env.open(kPath, OpenMode::ReadWrite);
  ASSERT_TRUE(db.ok());
  Journal journal(env, kPath);
  ASSERT_TRUE(journal.begin(kPageSize, 4 * kPageSize).ok());
  ASSERT_TRUE(journal.save(**db, {1}).ok());
  ASSERT_TRUE(journal.save(**db, {2}).ok());
  // The database changes after both images are saved...
  std::vector<uint8_t> changed(kPageSize, 0xAA);
  ASSERT_TRUE((*db)->writeAt(1 * kPageSize, changed).ok());
  ASSERT_TRUE((*db)->writeAt(2 * kPageSize, changed).ok());
  // ...and the second record is torn, as by a crash while it was written.
  std::vector<uint8_t> saved = env.contents(Journal::pathFor(kPath));
  saved.back() ^= 0xFF;
  env.put(Journal::pathFor(kPath), saved);
  db->reset();

  auto reopened = env.open(kPath, OpenMode::ReadWrite);
  ASSERT_TRUE(reopened.ok());
  auto recovered = Journal::recover(env, kPath, **reopened);
  ASSERT_TRUE(recovered.ok()) << recovered.error().message();
  EXPECT_TRUE(*recovered);
  std::vector<uint8_t> bytes = env.contents(kPath);
  EXPECT_EQ(bytes[1 * kPageSize], 1) << "the whole record is rolled back";
  EXPECT_EQ(bytes[2 * kPageSize], 0xAA) << "the torn record and what follows are not";
  EXPECT_FALSE(env.exists(Journal::pathFor(kPath)));
}

TEST(Journal, AFinishedJournalRollsNothingBack) {
  test::MemoryEnv env;
  env.put(kPath, numberedPages(4));
  auto db = env.open(kPath, OpenMode::ReadWrite);
  ASSERT_TRUE(db.ok());
  Journal journal(env, kPath);
  ASSERT_TRUE(journal.begin(kPageSize, 4 * kPageSize).ok());
  ASSERT_TRUE(journal.save(**db, {3}).ok());
  EXPECT_TRUE(Journal::isUnfinished(env, kPath));
  std::vector<uint8_t> changed(kPageSize, 0xBB);
  ASSERT_TRUE((*db)->writeAt(3 * kPageSize, changed).ok());
  ASSERT_TRUE((*db)->sync().ok());
  ASSERT_TRUE(journal.finish().ok());
  // The journal file is still there, marked finished: it is the commit point.
  EXPECT_TRUE(env.exists(Journal::pathFor(kPath)));
  EXPECT_FALSE(Journal::isUnfinished(env, kPath));
  auto recovered = Journal::recover(env, kPath, **db);
  ASSERT_TRUE(recovered.ok());
  EXPECT_FALSE(*recovered);
  EXPECT_EQ(env.contents(kPath)[3 * kPageSize], 0xBB);
}

}  // namespace
}  // namespace ledgerfen::page
