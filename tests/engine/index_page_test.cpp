// Index pages built from entries and read back (decoded, or in place), and
// damaged ones refused.
#include "index/index_page.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "index/index_page_view.h"

namespace ledgerfen::index {
namespace {

const format::FormatSpec& jet4() {
  return format::formatSpec(FileFormat::Jet4);
}
const format::FormatSpec& jet3() {
  return format::formatSpec(FileFormat::Jet3);
}

IndexEntry entry(std::vector<uint8_t> key, uint32_t page, uint8_t row, uint32_t child = 0) {
  return IndexEntry{std::move(key), format::RowPointer{page, row}, child};
}

IndexPage leafWith(std::vector<IndexEntry> entries) {
  IndexPage page;
  page.number = 40;
  page.owner = 7;
  page.prev = 39;
  page.next = 41;
  page.entries = std::move(entries);
  return page;
}

bool bitSet(const std::vector<uint8_t>& page, const format::FormatSpec& spec, size_t bit) {
  return (page[spec.indexEntryMask + bit / 8] >> (bit % 8)) & 1;
}

TEST(IndexPage, LaterEntriesLeaveOutThePrefixTheyShareWithTheFirst) {
  const auto& spec = jet4();
  IndexPage page = leafWith({entry({0x7F, 0x10, 0x20, 0x30}, 5, 1), entry({0x7F, 0x10, 0x20, 0x31}, 5, 2),
                             entry({0x7F, 0x10, 0x21}, 0x010203, 0x04)});
  auto bytes = encodeIndexPage(spec, page);
  ASSERT_TRUE(bytes.ok()) << bytes.error().message();
  const auto& b = *bytes;
  EXPECT_EQ(b[0], format::kPageIndexLeaf);
  EXPECT_EQ(format::u32le(b, spec.indexOwner), 7u);
  EXPECT_EQ(format::u32le(b, spec.indexPrevPage), 39u);
  EXPECT_EQ(format::u32le(b, spec.indexNextPage), 41u);
  EXPECT_EQ(format::u16le(b, spec.indexPrefixLength), 2);
  EXPECT_EQ(b[spec.indexNodeFlag], 0);
  // 8 bytes whole, then 6 and 5 without the 2 shared ones: ends at 8, 14, 19.
  std::vector<uint8_t> stored(b.begin() + spec.indexEntriesStart, b.begin() + spec.indexEntriesStart + 19);
  EXPECT_EQ(stored,
            (std::vector<uint8_t>{0x7F, 0x10, 0x20, 0x30, 0, 0, 5, 1, 0x20, 0x31, 0, 0, 5, 2, 0x21, 1, 2, 3, 4}));
  for (size_t bit = 0; bit < 24; ++bit) EXPECT_EQ(bitSet(b, spec, bit), bit == 8 || bit == 14 || bit == 19) << bit;
  EXPECT_EQ(format::u16le(b, spec.indexFreeSpace), spec.pageSize - spec.indexEntriesStart - 19);

  auto back = decodeIndexPage(spec, 40, b);
  ASSERT_TRUE(back.ok()) << back.error().message();
  EXPECT_EQ(back->entries, page.entries);
  EXPECT_TRUE(back->leaf);
  EXPECT_EQ(back->prefixLength, 2u);
  EXPECT_EQ(std::tie(back->owner, back->prev, back->next), std::tie(page.owner, page.prev, page.next));
}

TEST(IndexPage, NodeEntriesCarryTheirChildAndTheTailStandsApart) {
  for (const auto* spec : {&jet3(), &jet4()}) {
    IndexPage node;
    node.leaf = false;
    node.owner = 2;
    node.tail = 0x01020304;
    node.entries = {entry({0x7F, 0x01}, 9, 3, 12), entry({0x7F, 0x05}, 9, 4, 13)};
    auto bytes = encodeIndexPage(*spec, node);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message();
    EXPECT_EQ((*bytes)[0], format::kPageIndexNode);
    EXPECT_EQ((*bytes)[spec->indexNodeFlag], 1);
    EXPECT_TRUE(bitSet(*bytes, *spec, 10));  // key 2 + row 4 + child 4
    auto back = decodeIndexPage(*spec, 1, *bytes);
    ASSERT_TRUE(back.ok()) << back.error().message();
    EXPECT_FALSE(back->leaf);
    EXPECT_EQ(back->tail, node.tail);
    EXPECT_EQ(back->entries, node.entries);
  }
}

TEST(IndexPage, AnEmptyPageHasNoEntriesAndAllItsSpaceFree) {
  auto bytes = encodeIndexPage(jet3(), leafWith({}));
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(format::u16le(*bytes, jet3().indexFreeSpace), jet3().pageSize - jet3().indexEntriesStart);
  auto back = decodeIndexPage(jet3(), 40, *bytes);
  ASSERT_TRUE(back.ok());
  EXPECT_TRUE(back->entries.empty());
}

// Jet3 keeps the prefix length in one byte: longer shared prefixes are cut to 255.
TEST(IndexPage, Jet3PrefixStopsAt255Bytes) {
  std::vector<uint8_t> a(300, 0x41), b(300, 0x41);
  b.back() = 0x42;
  IndexPage page = leafWith({entry(a, 1, 1), entry(b, 1, 2)});
  auto bytes = encodeIndexPage(jet3(), page);
  ASSERT_TRUE(bytes.ok()) << bytes.error().message();
  EXPECT_EQ((*bytes)[jet3().indexPrefixLength], 255);
  EXPECT_EQ((*bytes)[jet3().indexNodeFlag], 0);
  EXPECT_EQ(decodeIndexPage(jet3(), 40, *bytes)->entries, page.entries);
}

// The tree layer asks entriesFit before it writes; it must agree with encode
// to the byte.
TEST(IndexPage, EntriesFitExactlyUpToTheEntryArea) {
  for (const auto* spec : {&jet3(), &jet4()}) {
    // Keys without a shared prefix, each entry 16 + 4 bytes, and one to fill the rest.
    const size_t area = entryAreaSize(*spec);
    std::vector<IndexEntry> entries;
    size_t used = 0;
    for (uint8_t i = 0; used + 20 <= area; ++i, used += 20) {
      std::vector<uint8_t> key(16, 0);
      key[0] = i;
      entries.push_back(entry(key, 1, 0));
    }
    if (used < area) {
      ASSERT_GT(area - used, 4u);
      entries.push_back(entry(std::vector<uint8_t>(area - used - 4, 0xFF), 1, 0));
      used = area;
    }
    ASSERT_EQ(storedEntriesSize(entries, true, 0), area);
    EXPECT_TRUE(entriesFit(*spec, entries, true));
    EXPECT_TRUE(encodeIndexPage(*spec, leafWith(entries)).ok());

    entries.back().key.push_back(0xFF);
    EXPECT_FALSE(entriesFit(*spec, entries, true));
    auto over = encodeIndexPage(*spec, leafWith(entries));
    ASSERT_FALSE(over.ok());
    EXPECT_EQ(over.error().kind(), ErrorKind::InvalidArgument);
    EXPECT_NE(over.error().message().find("a page holds " + std::to_string(area)), std::string::npos);
  }
}

TEST(IndexPage, EncodingRefusesEntriesItCouldNotReadBack) {
  auto refuses = [](const IndexPage& page, PageEncoding encoding = {}) {
    auto r = encodeIndexPage(jet4(), page, encoding);
    return !r.ok() && r.error().kind() == ErrorKind::InvalidArgument;
  };
  EXPECT_TRUE(refuses(leafWith({entry({0x7F, 2}, 1, 1), entry({0x7F, 1}, 1, 1)})));  // out of order
  EXPECT_TRUE(refuses(leafWith({entry({0x7F, 1}, 1, 1), entry({0x7F, 1}, 1, 1)})));  // twice
  EXPECT_TRUE(refuses(leafWith({entry({0x7F}, 1, 1, 9)})));                          // a leaf with a child
  EXPECT_TRUE(refuses(leafWith({entry({0x7F}, 0x1000000, 1)})));                     // page beyond 24 bits
  IndexPage node = leafWith({entry({0x7F}, 1, 1)});
  node.leaf = false;
  EXPECT_TRUE(refuses(node));  // a node entry without a child
  IndexPage shared = leafWith({entry({0x7F, 1, 2}, 1, 1), entry({0x7F, 1, 3}, 1, 1)});
  EXPECT_TRUE(refuses(shared, {3}));
  EXPECT_FALSE(refuses(shared, {0}));
  EXPECT_FALSE(refuses(shared, {2}));
}

// A prefix Access stored may reach into the row pointer when the keys are
// equal; it reads back the same.
// Adding one entry to the encoded bytes gives the very bytes encoding the
// whole page with the same prefix gives, wherever the entry goes; where it
// cannot (first place, a prefix it does not share, no room) nothing changes.
TEST(IndexPage, AnEntryAddedToTheBytesEncodesAsTheWholePage) {
  std::mt19937 random(7);
  for (const auto* spec : {&jet3(), &jet4()}) {
    for (int trial = 0; trial < 200; ++trial) {
      const bool leaf = trial % 4 != 0;
      std::set<std::string> keys;  // byte strings, in the order unsigned bytes sort
      while (keys.size() < 2 + random() % 60) {
        std::string key = {'\x7F', '\x40', char(random() % 3)};
        for (size_t n = random() % 6; n > 0; --n) key.push_back(char(random()));
        keys.insert(key);
      }
      IndexPage page = leafWith({});
      page.leaf = leaf;
      for (const std::string& key : keys) {
        page.entries.push_back(entry({key.begin(), key.end()}, 100 + uint32_t(random() % 50), 1, leaf ? 0 : 9));
      }
      const size_t slot = random() % page.entries.size();
      IndexEntry added = page.entries[slot];
      page.entries.erase(page.entries.begin() + long(slot));
      auto before = encodeIndexPage(*spec, page);
      ASSERT_TRUE(before.ok()) << before.error().message();
      page.entries.insert(page.entries.begin() + long(slot), added);

      std::vector<uint8_t> bytes = *before;
      if (!insertEncodedEntry(*spec, bytes, page.entries[slot], slot)) {
        EXPECT_EQ(bytes, *before) << "a refusal changes nothing";
        continue;
      }
      EXPECT_NE(slot, 0u);
      auto whole = encodeIndexPage(*spec, page, {storedPrefixLength(*spec, bytes)});
      ASSERT_TRUE(whole.ok()) << whole.error().message();
      const size_t used = spec->pageSize - format::u16le(bytes, spec->indexFreeSpace);
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + long(used), whole->begin())) << "trial " << trial;
      auto decoded = decodeIndexPage(*spec, page.number, bytes);
      ASSERT_TRUE(decoded.ok()) << decoded.error().message();
      EXPECT_EQ(decoded->entries, page.entries);
    }
  }
}

// Read in place, a page gives the entries decoding gives, and compares them
// as compareEntries does; prefixes reaching into the row pointers included.
TEST(IndexPageView, ReadsEveryEntryAsDecodingDoes) {
  std::mt19937 random(11);
  for (const auto* spec : {&jet3(), &jet4()}) {
    for (int trial = 0; trial < 100; ++trial) {
      const bool leaf = trial % 3 != 0;
      IndexPage page = leafWith({});
      page.leaf = leaf;
      const bool equalKeys = trial % 5 == 0;  // a run of one key: the prefix reaches into the row pointers
      std::set<std::pair<std::string, uint32_t>> made;
      while (made.size() < 1 + random() % 80) {
        std::string key = "\x7F";
        if (!equalKeys) {
          for (size_t n = random() % 8; n > 0; --n) key.push_back(char(random() % 4));
        }
        made.insert({key, 100 + uint32_t(random() % 900)});
      }
      for (const auto& [key, row] : made) {
        page.entries.push_back(entry({key.begin(), key.end()}, row, uint8_t(row % 7), leaf ? 0 : row));
      }
      auto bytes = encodeIndexPage(*spec, page);
      ASSERT_TRUE(bytes.ok()) << bytes.error().message();
      auto view = IndexPageView::open(*spec, page.number, *bytes);
      ASSERT_TRUE(view.ok()) << view.error().message();
      ASSERT_EQ(view->size(), page.entries.size());
      for (size_t i = 0; i < page.entries.size(); ++i) {
        EXPECT_EQ(view->entry(i), page.entries[i]) << "trial " << trial << " entry " << i;
        const IndexEntry& probe = page.entries[random() % page.entries.size()];
        const int c = compareEntries(page.entries[i], probe);
        EXPECT_EQ(view->compare(i, probe), c < 0 ? -1 : c > 0 ? 1 : 0);
        EXPECT_EQ(view->keyEquals(i, probe.key), page.entries[i].key == probe.key);
      }
    }
  }
}

TEST(IndexPage, AGivenPrefixMayCoverPartOfTheRowPointer) {
  IndexPage page = leafWith({entry({0x00}, 0x000105, 1), entry({0x00}, 0x000105, 2), entry({0x00}, 0x000106, 1)});
  auto bytes = encodeIndexPage(jet4(), page, {3});
  ASSERT_TRUE(bytes.ok()) << bytes.error().message();
  auto back = decodeIndexPage(jet4(), 40, *bytes);
  ASSERT_TRUE(back.ok()) << back.error().message();
  EXPECT_EQ(back->prefixLength, 3u);
  EXPECT_EQ(back->entries, page.entries);
}

class DamagedIndexPage : public testing::Test {
 protected:
  void SetUp() override {
    page_ = *encodeIndexPage(jet4(), leafWith({entry({0x7F, 0x10, 0x20}, 5, 1), entry({0x7F, 0x10, 0x21}, 5, 2)}));
  }
  void expectCorrupt(const std::string& why) {
    auto r = decodeIndexPage(jet4(), 77, page_);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind(), ErrorKind::Corrupt);
    EXPECT_NE(r.error().message().find("index page 77: "), std::string::npos) << r.error().message();
    EXPECT_NE(r.error().message().find(why), std::string::npos) << r.error().message();
  }
  void setBit(size_t bit) { page_[jet4().indexEntryMask + bit / 8] |= uint8_t(1 << (bit % 8)); }
  std::vector<uint8_t> page_;
};

TEST_F(DamagedIndexPage, WrongTypeOrCutShort) {
  page_[0] = format::kPageData;
  expectCorrupt("not an index page");
  page_[0] = format::kPageIndexLeaf;
  page_.resize(100);
  expectCorrupt("cut short");
}

TEST_F(DamagedIndexPage, EntryEndingPastThePage) {
  setBit(jet4().indexEntryMaskSize * 8 - 1);
  expectCorrupt("ends past the end of the page");
}

TEST_F(DamagedIndexPage, PrefixLongerThanTheFirstEntry) {
  format::put16le(&page_[jet4().indexPrefixLength], 8);
  expectCorrupt("longer than its first entry");
}

TEST_F(DamagedIndexPage, EntryShorterThanItsRowPointer) {
  setBit(2);
  expectCorrupt("entry 0 is shorter than its row pointer");
}

TEST_F(DamagedIndexPage, NodeEntryLeadingToTheHeaderPage) {
  IndexPage node;
  node.leaf = false;
  node.entries = {entry({0x7F, 0x01}, 9, 3, 12)};
  page_ = *encodeIndexPage(jet4(), node);
  std::fill_n(page_.begin() + jet4().indexEntriesStart + 6, 4, 0);
  expectCorrupt("entry 0 leads to page 0");
}

TEST_F(DamagedIndexPage, EntriesOutOfOrder) {
  page_[jet4().indexEntriesStart + 2] = 0x30;  // the first key now sorts after the second
  expectCorrupt("entry 1 is out of order");
}

}  // namespace
}  // namespace ledgerfen::index
