// Table::seek and Table::find: the rows an index finds are exactly those a
// full scan finds with the same keys, in index order, found through the
// tree.
#include <gtest/gtest.h>

#include <algorithm>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "index/key_encoder.h"
#include "ledgerfen/database.h"
#include "support/fixtures.h"

namespace ledgerfen {
namespace {

using Key = std::vector<uint8_t>;

struct Listed {
  Key key;
  RowId id;
  std::vector<Value> values;  // the index's columns
};

bool before(const Listed& a, const Listed& b) {
  if (a.key != b.key) return a.key < b.key;
  return std::pair(a.id.page, a.id.row) < std::pair(b.id.page, b.id.row);
}

const Index& indexNamed(const Table& table, const std::string& name) {
  for (const Index& i : table.schema().indexes) {
    if (i.name == name) return i;
  }
  throw std::runtime_error("no index " + name);
}

// Every row the index lists, in index order, found by scanning the table.
std::vector<Listed> scanInIndexOrder(FileFormat format, const Table& table, const Index& index) {
  auto encoder = index::KeyEncoder::create(format, table.schema(), index.columns);
  EXPECT_TRUE(encoder.ok()) << encoder.error().message();
  std::vector<Listed> out;
  auto cursor = table.scan();
  EXPECT_TRUE(cursor.ok());
  Row row;
  while (*cursor->next(row)) {
    Listed l;
    EXPECT_TRUE(encoder->encodeRow(row.values, l.key).ok());
    bool allNull = true;
    for (const index::KeyColumn& c : encoder->columns()) {
      l.values.push_back(row.values[c.position]);
      allNull = allNull && isNull(row.values[c.position]) && c.type != ColumnType::Boolean;
    }
    if (index.ignoreNulls && allNull) continue;
    l.id = row.id;
    out.push_back(std::move(l));
  }
  std::sort(out.begin(), out.end(), before);
  return out;
}

std::vector<std::pair<uint32_t, uint16_t>> ids(const std::vector<Listed>& rows) {
  std::vector<std::pair<uint32_t, uint16_t>> out;
  for (const Listed& l : rows) out.emplace_back(l.id.page, l.id.row);
  return out;
}

std::vector<std::pair<uint32_t, uint16_t>> ids(Result<RowCursor> cursor) {
  std::vector<std::pair<uint32_t, uint16_t>> out;
  EXPECT_TRUE(cursor.ok()) << cursor.error().message();
  if (!cursor.ok()) return out;
  Row row;
  while (true) {
    auto more = cursor->next(row);
    EXPECT_TRUE(more.ok()) << more.error().message();
    if (!more.ok() || !*more) return out;
    out.emplace_back(row.id.page, row.id.row);
  }
}

// -1, 0 or 1: how `key` compares with a bound; with only some columns
// given, a key that starts with the bound counts as equal to it.
int compareWithBound(const Key& key, const Key& bound, bool partial) {
  Key head = key;
  if (partial) head.resize(std::min(key.size(), bound.size()));
  return head < bound ? -1 : head == bound ? 0 : 1;
}

struct Case {
  std::string fixture, table, index;
};

class SeekThroughIndex : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    const Case& c = GetParam();
    auto db = Database::open(test::fixtureNamed(c.fixture).fullPath());
    ASSERT_TRUE(db.ok()) << db.error().message();
    db_ = std::move(*db);
    auto table = db_->table(c.table);
    ASSERT_TRUE(table.ok()) << table.error().message();
    table_.emplace(std::move(*table));
    index_ = &indexNamed(*table_, c.index);
    expected_ = scanInIndexOrder(db_->format(), *table_, *index_);
    ASSERT_FALSE(expected_.empty());
  }

  Key keyOf(const std::vector<Value>& values) {
    auto encoder = index::KeyEncoder::create(db_->format(), table_->schema(), index_->columns);
    Key k;
    EXPECT_TRUE(encoder->encodeValues(values, k).ok());
    return k;
  }

  std::vector<Listed> within(const std::optional<IndexBound>& lower, const std::optional<IndexBound>& upper) {
    std::vector<Listed> out;
    for (const Listed& l : expected_) {
      const size_t columns = index_->columns.size();
      if (lower) {
        int c = compareWithBound(l.key, keyOf(lower->values), lower->values.size() < columns);
        if (c < 0 || (c == 0 && !lower->inclusive)) continue;
      }
      if (upper) {
        int c = compareWithBound(l.key, keyOf(upper->values), upper->values.size() < columns);
        if (c > 0 || (c == 0 && !upper->inclusive)) continue;
      }
      out.push_back(l);
    }
    return out;
  }

  std::unique_ptr<Database> db_;
  std::optional<Table> table_;
  const Index* index_ = nullptr;
  std::vector<Listed> expected_;
};

TEST_P(SeekThroughIndex, WholeIndexInOrder) {
  EXPECT_EQ(ids(table_->seek(index_->name, {})), ids(expected_));
}

TEST_P(SeekThroughIndex, EveryKeyFindsExactlyItsRows) {
  for (size_t i = 0; i < expected_.size();) {
    size_t end = i;
    while (end < expected_.size() && expected_[end].key == expected_[i].key) ++end;
    std::vector<Listed> same(expected_.begin() + long(i), expected_.begin() + long(end));
    EXPECT_EQ(ids(table_->find(index_->name, expected_[i].values)), ids(same)) << "row " << i;
    i = end;
  }
}

TEST_P(SeekThroughIndex, RangesFromEveryKindOfBound) {
  // Bounds taken from rows spread over the index, whole keys and, for
  // several columns, the first column alone.
  std::vector<std::vector<Value>> points;
  for (size_t i = 0; i < expected_.size(); i += std::max<size_t>(1, expected_.size() / 9)) {
    points.push_back(expected_[i].values);
    if (expected_[i].values.size() > 1) points.push_back({expected_[i].values[0]});
  }
  points.push_back(expected_.back().values);
  for (size_t a = 0; a < points.size(); ++a) {
    for (size_t b = a; b < points.size(); b += 2) {
      for (int mode = 0; mode < 4; ++mode) {
        IndexRange range;
        range.lower = IndexBound{points[a], (mode & 1) == 0};
        range.upper = IndexBound{points[b], (mode & 2) == 0};
        EXPECT_EQ(ids(table_->seek(index_->name, range)), ids(within(range.lower, range.upper)))
            << "points " << a << ", " << b << ", mode " << mode;
      }
    }
    IndexRange from;
    from.lower = IndexBound{points[a], true};
    EXPECT_EQ(ids(table_->seek(index_->name, from)), ids(within(from.lower, std::nullopt))) << "from " << a;
    IndexRange before;
    before.upper = IndexBound{points[a], false};
    EXPECT_EQ(ids(table_->seek(index_->name, before)), ids(within(std::nullopt, before.upper))) << "before " << a;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SeekThroughIndex,
    testing::Values(Case{"jackcess/V2000/compIndexTestV2000.mdb", "Table1", "CD_AGENTE"},
                    Case{"jackcess/V1997/compIndexTestV1997.mdb", "Table1", "CD_AGENTE"},
                    Case{"jackcess/V1997/testIndexCodesV1997.mdb", "Table1_desc", "DataIndex"},
                    Case{"jackcess/V1997/testIndexCodesV1997.mdb", "Table12_asc_desc", "DataIndex"},
                    Case{"jackcess/V2010/binIdxTestV2010.accdb", "Test", "BinDscIdx"},
                    Case{"jackcess/V2010/testEmoticonsV2010.accdb", "data", "data"},
                    Case{"jackcess/V2000/testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", "DataIndex"},
                    Case{"jackcess/V2007/odbcLinkerTestV2007.accdb", "MSysObjects", "ParentIdName"}),
    [](const auto& test) {
      std::string name = test.param.fixture.substr(test.param.fixture.rfind('/') + 1) + "_" + test.param.table;
      for (char& ch : name) ch = std::isalnum(uint8_t(ch)) ? ch : '_';
      return name;
    });

std::vector<uint8_t> fixtureBytes(const std::string& path) {
  return test::readFileBytes(test::fixtureNamed(path).fullPath());
}

// compIndexTestV2000: the index of Table1 is a node (page 29) over two
// leaves, 32 (every value, descending) and, as its tail, 33 (the NULLs).
// Spoiling leaf 32 leaves the NULLs findable: the search goes down the
// tree, not along the leaves.
TEST(SeekThroughDamagedIndex, OnlyThePagesOnTheWayAreRead) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/compIndexTestV2000.mdb");
  const size_t pageSize = 4096;
  ASSERT_EQ(bytes[29 * pageSize], format::kPageIndexNode);
  ASSERT_EQ(format::u32le(bytes, 29 * pageSize + 20), 33u);
  ASSERT_EQ(bytes[32 * pageSize], format::kPageIndexLeaf);
  bytes[32 * pageSize] = format::kPageData;
  auto db = Database::openBytes("damaged.mdb", bytes);
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Table1");
  ASSERT_TRUE(table.ok());

  EXPECT_EQ(ids(table->find("CD_AGENTE", {std::monostate{}})).size(), 2u);
  auto spoiled = table->find("CD_AGENTE", {int32_t(4813)});
  ASSERT_FALSE(spoiled.ok());
  EXPECT_EQ(spoiled.error().kind(), ErrorKind::Corrupt);
  EXPECT_NE(spoiled.error().message().find("table Table1, index CD_AGENTE: index page 32: not an index page"),
            std::string::npos)
      << spoiled.error().message();
}

TEST(SeekErrors, NamesWhatIsWrong) {
  auto db = Database::open(test::fixtureNamed("jackcess/V2000/compIndexTestV2000.mdb").fullPath());
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Table1");
  auto missing = table->find("Nope", {int32_t(1)});
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().kind(), ErrorKind::NotFound);
  EXPECT_NE(missing.error().message().find("table Table1 has no index named Nope"), std::string::npos);

  auto tooMany = table->find("CD_AGENTE", {int32_t(1), int32_t(2)});
  ASSERT_FALSE(tooMany.ok());
  EXPECT_EQ(tooMany.error().kind(), ErrorKind::InvalidArgument);

  auto wrongType = table->find("cd_agente", {std::string("19")});  // index names ignore case
  ASSERT_FALSE(wrongType.ok());
  EXPECT_EQ(wrongType.error().kind(), ErrorKind::InvalidArgument);
  EXPECT_NE(wrongType.error().message().find("column CD_AGENTE is long"), std::string::npos);
}

// Changes the sort order of MSysObjects.Name (page 2 of a Jet4 file) to
// Russian, whose key weights are not known.
void makeNameRussian(std::vector<uint8_t>& bytes) {
  const auto& spec = format::formatSpec(FileFormat::Jet4);
  uint8_t* tdef = &bytes[2 * spec.pageSize];
  format::Bytes page(tdef, spec.pageSize);
  uint16_t columns = format::u16le(page, spec.tdefColumnCount);
  size_t descriptors = spec.tdefHeaderSize + spec.realIndexCounterSize * format::u32le(page, spec.tdefRealIndexCount);
  size_t names = descriptors + spec.columnDescriptorSize * columns;
  for (uint16_t k = 0; k < columns; ++k) {
    uint16_t length = format::u16le(page, names);
    std::u16string name;
    for (size_t i = 0; i < length; i += 2) name.push_back(char16_t(format::u16le(page, names + 2 + i)));
    if (name == u"Name") {
      format::put16le(tdef + descriptors + spec.columnDescriptorSize * k + spec.columnSortOrder, 1049);
      return;
    }
    names += 2 + length;
  }
  FAIL() << "no column Name";
}

TEST(SeekErrors, LanguageSortOrdersCanBeReadButNotSearched) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/compIndexTestV2000.mdb");
  makeNameRussian(bytes);
  auto db = Database::openBytes("russian.mdb", bytes);
  ASSERT_TRUE(db.ok());
  auto objects = (*db)->table("MSysObjects");
  ASSERT_TRUE(objects.ok());
  ASSERT_EQ(objects->schema().findColumn("Name")->sortOrder.lcid, 1049);

  auto search = objects->find("ParentIdName", {int32_t(0x0F000000)});
  ASSERT_FALSE(search.ok());
  EXPECT_EQ(search.error().kind(), ErrorKind::Unsupported);
  EXPECT_NE(search.error().message().find("column Name uses the sort order LCID 1049 version 0"), std::string::npos)
      << search.error().message();

  EXPECT_EQ(ids(objects->seek("ParentIdName", {})).size(), 17u);
  auto checks = objects->checkIndexes();
  ASSERT_TRUE(checks.ok());
  EXPECT_NE((*checks)[0].keysUnchecked.find("LCID 1049"), std::string::npos);
  EXPECT_TRUE((*checks)[0].sound());
}

}  // namespace
}  // namespace ledgerfen
