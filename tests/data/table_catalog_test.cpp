// The table catalogue: which names reach the table page's list, when the
// list is left alone, and that every open reads the database page's fields
// at that moment.
#include "ledgerfen/data/table_catalog.h"

#include <gtest/gtest.h>

#include "support/fixtures.h"

namespace ledgerfen::data {
namespace {

std::string fixture(const std::string& path) {
  return test::fixtureNamed(path).fullPath();
}

struct Fields : DatabaseFields {
  std::string path, password;
  std::string databasePath() const override { return path; }
  std::string databasePassword() const override { return password; }
  void set(std::string p, std::string w) {
    path = std::move(p);
    password = std::move(w);
  }
};

// Counts the connections made.
struct CountingEngine : DataEngine {
  int made = 0;
  NewConnection createConnection() override {
    ++made;
    return NewConnection::made(std::make_shared<Connection>());
  }
};

// Records what the list was asked to do.
struct RecordingList : TableListControl {
  std::vector<std::string> items{"earlier entry"};
  int selected = -1;
  int clears = 0;
  void clear() override {
    ++clears;
    items.clear();
    selected = -1;
  }
  void addItem(const std::string& text) override { items.push_back(text); }
  int count() const override { return static_cast<int>(items.size()); }
  void select(int index) override { selected = index; }
};

struct Catalogue : ::testing::Test {
  CountingEngine engine;
  FileSystemProbe probe;
  Fields fields;
  TableCatalog catalog{engine, probe, fields};

  TableList listOf(const std::string& path, const std::string& password = "") {
    fields.path = path;
    fields.password = password;
    auto tables = catalog.listTables(path);
    EXPECT_TRUE(tables.ok()) << tables.error().message();
    return tables.ok() ? *tables : TableList();
  }
};

TEST_F(Catalogue, ListsUserTablesInSchemaOrder) {
  EXPECT_EQ(listOf(fixture("jackcess/V2003/queryTestV2003.mdb")), TableList({"Table1", "Table2", "Table3"}));
  EXPECT_EQ(listOf(fixture("jackcess/V2007/odbcLinkerTestV2007.accdb")), TableList({"Lokal"}));
  EXPECT_EQ(listOf(fixture("jackcess/V2003/testIndexPropertiesV2003.mdb")),
            TableList({"TableIgnoreNulls1", "TableIgnoreNulls1_temp", "TableIgnoreNulls2", "TableIgnoreNulls2_temp",
                       "TableUnique1_temp", "TableUnique2_temp"}));
}

TEST_F(Catalogue, DatabaseWithoutUserTablesGivesAnEmptyListNotNothing) {
  EXPECT_EQ(listOf(fixture("mdb-reader/data/V2003/empty.mdb")), TableList(std::vector<std::string>{}));
  EXPECT_EQ(listOf(fixture("jackcess/adox_jet4.mdb")), TableList(std::vector<std::string>{}));
}

TEST_F(Catalogue, MissingFileOrEmptyPathGivesNothing) {
  EXPECT_EQ(listOf("/nonexistent/shop.mdb"), std::nullopt);
  EXPECT_EQ(listOf(""), std::nullopt);
}

TEST_F(Catalogue, WrongPasswordFailsWithTheEnginesMessage) {
  std::string path = fixture("mdb-reader/password/data/V2000_with-password.mdb");
  fields.set(path, "wrong");
  auto refused = catalog.listTables(path);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message(), "Not a valid password.");
  EXPECT_EQ(listOf(path, "password")->size(), 1u);
}

TEST_F(Catalogue, TheOpenUsesTheFieldsAndThePathOnlyDecidesWhetherToTry) {
  std::string real = fixture("jackcess/V2003/queryTestV2003.mdb");
  fields.set(real, "");
  // An existing file given as the path argument lets the open go ahead; the
  // connection string still names the database page's file.
  auto tables = catalog.listTables(fixture("mdb-reader/data/V2003/empty.mdb"));
  ASSERT_TRUE(tables.ok());
  EXPECT_EQ(tables->value().size(), 3u);
  EXPECT_EQ(catalog.connectionString(), buildConnectionString(real, ""));
}

TEST_F(Catalogue, DamagedFileFails) {
  std::string notADatabase = test::fixtureDir() + "/MANIFEST.tsv";
  fields.set(notADatabase, "");
  EXPECT_FALSE(catalog.listTables(notADatabase).ok());
}

TEST_F(Catalogue, FillReplacesTheEntriesAndSelectsTheFirst) {
  RecordingList list;
  list.selected = 0;
  fields.set(fixture("jackcess/V2003/queryTestV2003.mdb"), "");
  ASSERT_TRUE(catalog.fillTableList(list, fields.path).ok());
  EXPECT_EQ(list.items, (std::vector<std::string>{"Table1", "Table2", "Table3"}));
  EXPECT_EQ(list.selected, 0);

  // A second fill starts from a cleared list and selects the first again.
  list.selected = 2;
  ASSERT_TRUE(catalog.fillTableList(list, fields.path).ok());
  EXPECT_EQ(list.items.size(), 3u);
  EXPECT_EQ(list.selected, 0);
}

TEST_F(Catalogue, FillWithoutTablesLeavesAClearedListWithNothingSelected) {
  RecordingList list;
  fields.set(fixture("mdb-reader/data/V2003/empty.mdb"), "");
  ASSERT_TRUE(catalog.fillTableList(list, fields.path).ok());
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(list.selected, -1);
  EXPECT_EQ(list.clears, 1);
}

TEST_F(Catalogue, FillLeavesTheListAloneForAMissingFileOrAFailure) {
  RecordingList list;
  fields.set("/nonexistent/shop.mdb", "");
  ASSERT_TRUE(catalog.fillTableList(list, fields.path).ok());
  fields.set(fixture("mdb-reader/password/data/V2000_with-password.mdb"), "");
  EXPECT_FALSE(catalog.fillTableList(list, fields.path).ok());
  EXPECT_EQ(list.items, std::vector<std::string>{"earlier entry"});
  EXPECT_EQ(list.clears, 0);
}

TEST(CatalogueEngine, AnEngineThatCannotMakeConnectionsFailsTheList) {
  struct Missing : DataEngine {
    NewConnection createConnection() override { return NewConnection::failed(3706, "Provider cannot be found."); }
  } engine;
  FileSystemProbe probe;
  Fields fields;
  TableCatalog catalog(engine, probe, fields);
  auto tables = catalog.listTables("/nonexistent");
  ASSERT_FALSE(tables.ok());
  EXPECT_EQ(tables.error().message(), "Provider cannot be found.");
}

}  // namespace
}  // namespace ledgerfen::data
