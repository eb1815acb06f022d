// Every index of every fixture, system tables included, read and checked:
// each page decodes and encodes back to the bytes Access wrote, and each
// entry's key is the one its row's values give.
#include <gtest/gtest.h>

#include <iostream>

#include "format/header.h"
#include "index/index_page.h"
#include "io/file.h"
#include "ledgerfen/database.h"
#include "page/pager.h"
#include "support/fixtures.h"
#include "tdef/table_definition.h"
#include "usage/usage_map.h"

namespace ledgerfen {
namespace {

using test::Fixture;

bool officeEncrypted(const Fixture& f) {
  return f.hasFeature("encrypted:office");
}

std::string fixtureName(const testing::TestParamInfo<Fixture>& info) {
  return info.param.testName();
}

Result<std::unique_ptr<Database>> openFixture(const Fixture& f) {
  return Database::open(f.fullPath(), OpenOptions{f.password});
}

// Why the keys of an index cannot be recomputed, where that is expected.
bool keysUncheckedAsExpected(const Fixture& f, const IndexCheck& c) {
  // Language-specific sort orders: Access has not published their weights.
  if (c.keysUnchecked.find("uses the sort order LCID") != std::string::npos) return true;
  // A column type that is neither documented nor readable: no key is known for it.
  return f.path == "jackcess/V2007/unsupportedFieldsTestV2007.accdb" &&
         c.keysUnchecked.find("unknown type") != std::string::npos;
}

// A file damaged on purpose: its unique index lists one key twice.
bool damagedOnPurpose(const Fixture& f) {
  return f.path == "ucanaccess/corrupted.accdb";
}

class IndexesOfFixture : public testing::TestWithParam<Fixture> {};

TEST_P(IndexesOfFixture, EntriesMatchTheirRowsAndEveryRowIsListed) {
  const Fixture& f = GetParam();
  auto db = openFixture(f);
  ASSERT_TRUE(db.ok()) << db.error().message();
  auto entries = (*db)->catalog();
  ASSERT_TRUE(entries.ok()) << entries.error().message();
  uint64_t indexes = 0, keys = 0;
  for (const CatalogEntry& e : *entries) {
    if (!e.isLocalTable()) continue;
    auto table = (*db)->table(e.name);
    ASSERT_TRUE(table.ok()) << table.error().message();
    auto checks = table->checkIndexes();
    ASSERT_TRUE(checks.ok()) << checks.error().message();
    for (const IndexCheck& c : *checks) {
      ++indexes;
      keys += c.keysChecked;
      std::string where = e.name + "." + c.index;
      if (damagedOnPurpose(f) && !c.sound()) {
        EXPECT_NE(c.descriptions.front().find("lists the key"), std::string::npos) << where;
        continue;
      }
      for (const std::string& d : c.descriptions) ADD_FAILURE() << where << ": " << d;
      EXPECT_EQ(c.problems, c.descriptions.size()) << where << ": more problems than described";
      if (!c.keysUnchecked.empty()) {
        EXPECT_TRUE(keysUncheckedAsExpected(f, c)) << where << ": " << c.keysUnchecked;
      } else {
        EXPECT_EQ(c.keysChecked, c.entries) << where;
      }
    }
  }
  std::cout << "[ indexes  ] " << f.path << ": " << indexes << " indexes, " << keys << " keys checked\n";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, IndexesOfFixture, testing::ValuesIn(test::allFixtures()), fixtureName);

// Reads the index pages of a file straight from its bytes (no page encoding).
struct RawFile {
  format::DatabaseHeader header;
  const format::FormatSpec* spec = nullptr;
  std::unique_ptr<page::Pager> pager;
};

RawFile openRaw(const Fixture& f) {
  std::vector<uint8_t> bytes = test::readFileBytes(f.fullPath());
  RawFile raw;
  raw.header = *format::parseHeader(bytes);
  raw.spec = &format::formatSpec(raw.header.format);
  uint64_t size = bytes.size();
  raw.pager = std::make_unique<page::Pager>(io::memoryFile(f.path, bytes), raw.spec->pageSize, size);
  return raw;
}

class IndexPagesOfFixture : public testing::TestWithParam<Fixture> {};

// Access's own encoding is reproduced byte for byte given the prefix length
// it chose (it often stores none, or a shorter one than the entries share).
// After the last entry a page keeps whatever was there before; an encoded
// page has zeros, so only the bytes up to the last entry are compared.
TEST_P(IndexPagesOfFixture, DecodeAndEncodeGiveBackThePage) {
  const Fixture& f = GetParam();
  if (officeEncrypted(f)) GTEST_SKIP() << "pages are encrypted; the raw pages are not index pages";
  auto db = openFixture(f);
  ASSERT_TRUE(db.ok()) << db.error().message();
  RawFile raw = openRaw(f);
  if (raw.header.pagesEncoded()) GTEST_SKIP() << "pages are encoded";
  tdef::NameDecoder names;
  std::shared_ptr<const text::CodePage> codePage;
  if (raw.spec->jet3) {
    codePage = *text::CodePage::load(1252);
    names.codePage = codePage.get();
  }
  size_t pages = 0, stale = 0, shorterPrefix = 0;
  auto catalog = (*db)->catalog();
  ASSERT_TRUE(catalog.ok()) << catalog.error().message();
  for (const CatalogEntry& e : *catalog) {
    if (!e.isLocalTable()) continue;
    auto def = tdef::readTableDefinition(*raw.pager, *raw.spec, names, e.definitionPage());
    ASSERT_TRUE(def.ok()) << e.name << ": " << def.error().message();
    for (const tdef::RealIndex& real : def->realIndexes) {
      auto map = usage::UsageMapCursor::open(*raw.pager, *raw.spec, real.usageMap);
      ASSERT_TRUE(map.ok()) << map.error().message();
      for (auto number = map->next(); number.ok() && *number; number = map->next()) {
        page::Page page = *raw.pager->read(**number);
        std::string where = e.name + ": page " + std::to_string(**number);
        auto decoded = index::decodeIndexPage(*raw.spec, page.number(), page.bytes());
        ASSERT_TRUE(decoded.ok()) << where << ": " << decoded.error().message();
        ++pages;

        auto same = index::encodeIndexPage(*raw.spec, *decoded, {decoded->prefixLength});
        ASSERT_TRUE(same.ok()) << where << ": " << same.error().message();
        size_t used = raw.spec->pageSize - format::u16le(page.bytes(), raw.spec->indexFreeSpace);
        ASSERT_LE(used, raw.spec->pageSize);
        EXPECT_TRUE(std::equal(same->begin(), same->begin() + long(used), page.bytes().begin())) << where;
        EXPECT_EQ(format::u16le(*same, raw.spec->indexFreeSpace), raw.spec->pageSize - used) << where;
        bool tail =
            !std::all_of(page.bytes().begin() + long(used), page.bytes().end(), [](uint8_t b) { return b == 0; });
        stale += tail;

        auto packed = index::encodeIndexPage(*raw.spec, *decoded);
        ASSERT_TRUE(packed.ok()) << where << ": " << packed.error().message();
        auto again = index::decodeIndexPage(*raw.spec, page.number(), *packed);
        ASSERT_TRUE(again.ok()) << where << ": " << again.error().message();
        EXPECT_EQ(again->entries, decoded->entries) << where;
        EXPECT_EQ(std::tie(again->leaf, again->owner, again->prev, again->next, again->tail),
                  std::tie(decoded->leaf, decoded->owner, decoded->prev, decoded->next, decoded->tail))
            << where;
        shorterPrefix += again->prefixLength > decoded->prefixLength;
      }
    }
  }
  std::cout << "[ pages    ] " << f.path << ": " << pages << " index pages, " << stale
            << " with old bytes after the entries, " << shorterPrefix << " with a shorter prefix than possible\n";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, IndexPagesOfFixture, testing::ValuesIn(test::allFixtures()), fixtureName);

}  // namespace
}  // namespace ledgerfen
