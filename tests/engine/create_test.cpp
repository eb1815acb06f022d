// Databases and tables the engine creates: a new database has the system
// tables of one the Jet engine made, new tables of every type read back
// through both independent readers, and names are checked as Access does.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "canonical/canonical_dump.h"
#include "db/database_internals.h"
#include "ledgerfen/database.h"
#include "ledgerfen/value_text.h"
#include "support/fixtures.h"
#include "support/oracles.h"
#include "support/random_values.h"
#include "support/table_specs.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

constexpr const char* kEngineMade = "jackcess/adox_jet4.mdb";

std::string canonicalDump(Database& db) {
  std::ostringstream out;
  Status s = canonical::writeCanonicalDump(db, out);
  return s ? out.str() : "cannot dump: " + s.error().message();
}

// Catalogue ids differ between files; rows refer to objects by id, so ids
// are replaced by the names of the objects they stand for.
std::map<int32_t, std::string> objectNames(Database& db) {
  std::map<int32_t, std::string> names;
  auto table = db.table("MSysObjects");
  auto cursor = table->scan();
  Row row;
  while (cursor->next(row).value()) {
    const TableSchema& s = table->schema();
    names[std::get<int32_t>(row.values[size_t(s.positionOfNumber(s.findColumn("Id")->number))])] =
        std::get<std::string>(row.values[size_t(s.positionOfNumber(s.findColumn("Name")->number))]);
  }
  return names;
}

// The rows of a system table as text, ids as names, dates left out; sorted,
// since the order of rows on their pages is no part of what they mean.
std::vector<std::string> rowsOf(Database& db, const std::string& name) {
  const std::map<int32_t, std::string> names = objectNames(db);
  auto table = db.table(name);
  auto cursor = table->scan();
  std::vector<std::string> rows;
  Row row;
  while (cursor->next(row).value()) {
    std::string text;
    for (size_t i = 0; i < row.values.size(); ++i) {
      const Column& column = table->schema().columns[i];
      if (column.type == ColumnType::DateTime) continue;
      std::string value = formatValueText(column, row.values[i]);
      const bool refersToObject = column.name == "Id" || column.name == "ParentId" || column.name == "ObjectId";
      if (refersToObject && !isNull(row.values[i])) {
        auto it = names.find(std::get<int32_t>(row.values[i]));
        value = it == names.end() ? "id " + value : "object " + it->second;
      }
      text += column.name + "=" + value + " ";
    }
    rows.push_back(text);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Columns, flags and indexes of one table's definition, pages left out.
void expectSameStructure(Database& ours, Database& model, const std::string& name) {
  auto definitionOf = [&](Database& db) {
    auto entries = db.catalog();
    for (const CatalogEntry& e : *entries) {
      if (e.name == name) return *DatabaseInternals::core(db)->definition(e.definitionPage(), e.name).value();
    }
    ADD_FAILURE() << "no table " << name;
    return tdef::TableDefinition{};
  };
  const tdef::TableDefinition a = definitionOf(ours), b = definitionOf(model);
  EXPECT_EQ(a.schema.systemTable, b.schema.systemTable) << name;
  ASSERT_EQ(a.schema.columns.size(), b.schema.columns.size()) << name;
  for (size_t i = 0; i < a.schema.columns.size(); ++i) {
    const Column &x = a.schema.columns[i], &y = b.schema.columns[i];
    const std::string at = name + "." + y.name;
    EXPECT_EQ(x.name, y.name) << at;
    EXPECT_EQ(x.typeCode, y.typeCode) << at;
    EXPECT_EQ(x.number, y.number) << at;
    EXPECT_EQ(x.length, y.length) << at;
    EXPECT_EQ(a.layout[i].flags, b.layout[i].flags) << at;
    EXPECT_EQ(a.layout[i].extFlags, b.layout[i].extFlags) << at;
    EXPECT_EQ(a.layout[i].varIndex, b.layout[i].varIndex) << at;
    if (y.fixed) {  // else left over bytes
      EXPECT_EQ(a.layout[i].fixedOffset, b.layout[i].fixedOffset) << at;
    }
    if (y.type == ColumnType::Text || y.type == ColumnType::Memo) {
      EXPECT_EQ(x.sortOrder, y.sortOrder) << at;
    }
  }
  ASSERT_EQ(a.schema.indexes.size(), b.schema.indexes.size()) << name;
  for (size_t i = 0; i < a.schema.indexes.size(); ++i) {
    const Index &x = a.schema.indexes[i], &y = b.schema.indexes[i];
    EXPECT_EQ(x.name, y.name) << name;
    EXPECT_EQ(x.primaryKey, y.primaryKey) << name << " index " << y.name;
    EXPECT_EQ(a.logicalNumbers[i], b.logicalNumbers[i]) << name << " index " << y.name;
    const tdef::RealIndex &rx = a.realIndexes[x.realIndex], &ry = b.realIndexes[y.realIndex];
    EXPECT_EQ(rx.flags, ry.flags) << name << " index " << y.name;
    ASSERT_EQ(rx.columns.size(), ry.columns.size()) << name << " index " << y.name;
    for (size_t c = 0; c < rx.columns.size(); ++c) {
      EXPECT_EQ(rx.columns[c].columnNumber, ry.columns[c].columnNumber) << name << " index " << y.name;
      EXPECT_EQ(rx.columns[c].ascending, ry.columns[c].ascending) << name << " index " << y.name;
    }
  }
  EXPECT_EQ(a.realIndexes.size(), b.realIndexes.size()) << name;
  EXPECT_EQ(rowsOf(ours, name), rowsOf(model, name)) << name;
}

TEST(NewDatabase, HasTheSystemTablesOfAnEngineMadeOne) {
  test::TempDir dir;
  const std::string path = dir.path() + "/new.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto ours = Database::open(path);
  auto model = Database::open(test::fixtureNamed(kEngineMade).fullPath());
  ASSERT_TRUE(ours.ok() && model.ok());
  EXPECT_EQ((*ours)->format(), FileFormat::Jet4);
  EXPECT_EQ((*ours)->codePage(), (*model)->codePage());
  EXPECT_EQ(DatabaseInternals::core(**ours)->header.sortOrder, DatabaseInternals::core(**model)->header.sortOrder);
  EXPECT_EQ(DatabaseInternals::core(**ours)->header.sortVersion, DatabaseInternals::core(**model)->header.sortVersion);
  for (const char* name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
    expectSameStructure(**ours, **model, name);
  }
  auto report = (*ours)->checkIntegrity(/*strict=*/true);
  ASSERT_TRUE(report.ok());
  EXPECT_TRUE(report->problems.empty() && report->notes.empty());
}

TEST(NewDatabase, IsNeverHalfMade) {
  test::TempDir dir;
  const std::string path = dir.path() + "/taken.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto again = Database::create(path, FileFormat::Jet4);
  ASSERT_FALSE(again.ok());
  EXPECT_NE(again.error().message().find("exists already"), std::string::npos);
  auto missingFolder = Database::create(dir.path() + "/no/such/folder.mdb", FileFormat::Jet4);
  EXPECT_FALSE(missingFolder.ok());
  EXPECT_FALSE(Database::create(dir.path() + "/old.mdb", FileFormat::Jet3).ok());
  EXPECT_TRUE(Database::open(path).ok());

  // The name a database is built under before it takes its own may belong
  // to a file of someone else's: creating fails and that file stays.
  const std::string other = dir.path() + "/busy.mdb";
  { std::ofstream(other + ".new") << "someone's work"; }
  EXPECT_FALSE(Database::create(other, FileFormat::Jet4).ok());
  std::ifstream kept(other + ".new");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone's work");
}

// A new database of each format gets a table of every type; random rows
// read back the same through the engine, mdb-reader and mdbtools.
class NewTable : public testing::TestWithParam<FileFormat> {};

TEST_P(NewTable, EveryTypeReadsBackThroughBothReaders) {
  test::TempDir dir;
  const std::string path = dir.path() + "/new" + std::string(fileFormatName(GetParam()));
  ASSERT_TRUE(Database::create(path, GetParam()).ok());
  {
    auto db = Database::open(path, OpenOptions{"", true, nullptr});
    ASSERT_TRUE(db.ok());
    auto table = (*db)->createTable(test::everyTypeTable("Every Type", GetParam()));
    ASSERT_TRUE(table.ok()) << table.error().message();
    std::mt19937 random(7);
    const test::RandomValueOptions options{true, /*outsideBmp=*/false, /*emptyText=*/false};
    ASSERT_TRUE((*db)->begin().ok());
    for (int i = 0; i < 300; ++i) {
      std::vector<Value> values(table->schema().columns.size());
      for (size_t c = 1; c < values.size(); ++c) {
        test::RandomValueOptions o = options;
        o.allowNull = table->schema().columns[c].nullable;
        values[c] = test::randomValue(table->schema().columns[c], GetParam(), random, o);
      }
      auto row = table->insertRow(values);
      if (!row.ok() && row.error().kind() == ErrorKind::Constraint) continue;  // a repeated unique Code
      ASSERT_TRUE(row.ok()) << row.error().message();
    }
    Status committed = (*db)->commit();
    ASSERT_TRUE(committed.ok()) << committed.error().message();
  }
  auto db = Database::open(path);
  ASSERT_TRUE(db.ok());
  auto report = (*db)->checkIntegrity(/*strict=*/true);
  ASSERT_TRUE(report.ok());
  for (const std::string& p : report->problems) ADD_FAILURE() << p;
  for (const std::string& n : report->notes) ADD_FAILURE() << n;
  auto names = (*db)->userTableNames();
  ASSERT_EQ(*names, std::vector<std::string>{"Every Type"});

  auto mdbReader = test::mdbReaderAgrees(path, "", canonicalDump(**db));
  if (!mdbReader.available) GTEST_SKIP() << "the oracles are not installed (script/test installs them)";
  EXPECT_TRUE(mdbReader.agrees) << mdbReader.detail;
  auto mdbtools = test::mdbtoolsAgrees(path, "");
  EXPECT_TRUE(mdbtools.agrees) << mdbtools.detail;
}

// Numbers given for an AutoNumber are kept; the counter moves on past the
// largest, and a negative one leaves it where it was.
TEST(NewTable, AutoNumbersCountOnFromTheLargestGiven) {
  test::TempDir dir;
  const std::string path = dir.path() + "/numbers.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  ASSERT_TRUE(db.ok());
  ColumnSpec id{"ID", ColumnType::Long};
  id.autoNumber = true;
  auto table = (*db)->createTable(TableSpec{"T", {id}, {IndexSpec{"PrimaryKey", {{"ID"}}, true, true}}});
  ASSERT_TRUE(table.ok()) << table.error().message();
  std::vector<int32_t> ids;
  for (Value given : {Value(), Value(int32_t(-5)), Value(), Value(int32_t(10)), Value()}) {
    auto row = table->insertRow({given});
    ASSERT_TRUE(row.ok()) << row.error().message();
    ids.push_back(std::get<int32_t>(row->values[0]));
  }
  EXPECT_EQ(ids, (std::vector<int32_t>{1, -5, 2, 10, 11}));
}

// Every stored index counts its distinct keys; the count follows rows added
// and deleted in any order, across leaf pages, through reopening.
TEST(NewTable, IndexesCountTheirDistinctKeys) {
  test::TempDir dir;
  const std::string path = dir.path() + "/keys.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  ASSERT_TRUE(db.ok());
  // Long texts, so that the index spans many leaf pages.
  TableSpec spec{"T", {ColumnSpec{"Word", ColumnType::Text, 200}}, {IndexSpec{"ByWord", {{"Word"}}}}};
  auto table = (*db)->createTable(spec);
  ASSERT_TRUE(table.ok()) << table.error().message();
  std::mt19937 random(11);
  std::map<std::string, int> live;
  std::vector<std::pair<RowId, std::vector<Value>>> rows;
  auto distinctCounted = [&] {
    auto def = DatabaseInternals::core(**db)->definition(table->schema().definitionPage, "T");
    return def.ok() ? int64_t((*def)->realIndexes.at(0).uniqueEntryCount) : -1;
  };
  ASSERT_TRUE((*db)->begin().ok());
  for (int i = 0; i < 1500; ++i) {
    if (!rows.empty() && random() % 4 == 0) {
      size_t at = random() % rows.size();
      ASSERT_TRUE(table->deleteRow(rows[at].first, rows[at].second).ok());
      if (--live[std::get<std::string>(rows[at].second[0])] == 0) live.erase(std::get<std::string>(rows[at].second[0]));
      rows.erase(rows.begin() + long(at));
      continue;
    }
    std::string word = std::to_string(random() % 400) + std::string(150, 'k');
    auto row = table->insertRow({word});
    ASSERT_TRUE(row.ok()) << row.error().message();
    rows.emplace_back(row->id, row->values);
    ++live[word];
  }
  ASSERT_TRUE((*db)->commit().ok());
  EXPECT_EQ(distinctCounted(), int64_t(live.size()));
  db->reset();
  db = Database::open(path);
  ASSERT_TRUE(db.ok());
  table = (*db)->table("T");
  ASSERT_TRUE(table.ok());
  EXPECT_EQ(distinctCounted(), int64_t(live.size()));
}

INSTANTIATE_TEST_SUITE_P(Formats, NewTable, testing::Values(FileFormat::Jet4, FileFormat::Ace12),
                         [](const auto& test) { return std::string(fileFormatName(test.param)); });

TEST(NewTable, NamesAreCheckedAsAccessChecksThem) {
  test::TempDir dir;
  const std::string path = dir.path() + "/names.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  ASSERT_TRUE(db.ok());
  auto refusal = [&](TableSpec spec) {
    auto table = (*db)->createTable(spec);
    return table.ok() ? std::string("accepted") : table.error().message();
  };
  auto oneColumn = [](std::string table, std::string column) {
    return TableSpec{std::move(table), {ColumnSpec{std::move(column), ColumnType::Long}}, {}};
  };
  EXPECT_EQ(refusal(oneColumn("Bad.Name", "A")), "'Bad.Name' is not a valid table name: it holds the character .");
  EXPECT_EQ(refusal(oneColumn(" Lead", "A")), "' Lead' is not a valid table name: it begins with a blank");
  EXPECT_EQ(refusal(oneColumn(std::string(65, 'x'), "A")).find("longer than 64 characters") != std::string::npos, true);
  EXPECT_EQ(refusal(oneColumn("", "A")), "a table needs a name");
  EXPECT_EQ(refusal(oneColumn("MSysMine", "A")).find("kept for the system") != std::string::npos, true);
  EXPECT_EQ(refusal(oneColumn("T", "a[1]")), "'a[1]' is not a valid column name: it holds the character [");
  EXPECT_EQ(refusal(oneColumn("T", "tab\there")),
            "'tab\there' is not a valid column name: it holds a control character");
  EXPECT_EQ(refusal(TableSpec{"T", {ColumnSpec{"A", ColumnType::Long}, ColumnSpec{"a", ColumnType::Text}}, {}}),
            "table T: two columns are named a");
  EXPECT_EQ(refusal(TableSpec{"T", {ColumnSpec{"A", ColumnType::Long}}, {IndexSpec{"I", {{"B"}}}}}),
            "index I: there is no column B");
  // 64 characters of any script are fine, and so is a name taken only once.
  const std::string longest = std::string(62, 'x') + "жж";
  EXPECT_EQ(refusal(oneColumn(longest, "Ünïcode column")), "accepted");
  EXPECT_NE(refusal(oneColumn(longest, "A")), "accepted");
  auto names = (*db)->userTableNames();
  EXPECT_EQ(*names, std::vector<std::string>{longest});
}

}  // namespace
}  // namespace ledgerfen
