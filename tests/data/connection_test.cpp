// Connections over the engine: opening with either provider's string, the
// engine's messages passed on unchanged, the tables schema as Jet lists it,
// and the open database shared with whatever is made over the connection.
#include "ledgerfen/data/connection.h"

#include <gtest/gtest.h>

#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen::data {
namespace {

std::string fixture(const std::string& path) {
  return test::fixtureNamed(path).fullPath();
}

struct SchemaRow {
  std::string name, type;
  friend bool operator==(const SchemaRow&, const SchemaRow&) = default;
  friend std::ostream& operator<<(std::ostream& os, const SchemaRow& r) { return os << r.type << " " << r.name; }
};

std::vector<SchemaRow> readTablesSchema(Connection& connection) {
  auto schema = connection.openSchema(Schema::Tables);
  EXPECT_TRUE(schema.ok()) << schema.error().message();
  std::vector<SchemaRow> rows;
  if (!schema.ok()) return rows;
  for (; !schema->eof(); schema->moveNext()) {
    rows.push_back({schema->field(kTableName)->value_or("?"), schema->field(kTableType)->value_or("?")});
  }
  return rows;
}

std::vector<SchemaRow> rowsOfType(const std::vector<SchemaRow>& rows, std::string_view type) {
  std::vector<SchemaRow> out;
  for (const SchemaRow& r : rows) {
    if (r.type == type) out.push_back(r);
  }
  return out;
}

TEST(Connection, EitherProviderOpensEveryFormat) {
  for (const char* path : {"mdb-reader/data/V2007/test.accdb", "jackcess/V1997/delTestV1997.mdb"}) {
    for (const char* provider : {"Microsoft.ACE.OLEDB.12.0", "Microsoft.Jet.OLEDB.4.0"}) {
      Connection connection;
      Status opened = connection.open(std::string("Provider=") + provider + ";Data Source=" + fixture(path) +
                                      ";JET OLEDB:Database Password=");
      EXPECT_TRUE(opened.ok()) << path << " with " << provider << ": " << opened.error().message();
      EXPECT_TRUE(connection.isOpen());
      EXPECT_EQ(connection.settings().dataSource, fixture(path));
    }
  }
}

TEST(Connection, AppliesThePasswordAndPassesTheEnginesMessageOn) {
  std::string path = fixture("mdb-reader/password/data/V2000_with-password.mdb");
  Connection wrong;
  Status refused = wrong.open(buildConnectionString(path, "not it"));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message(), "Not a valid password.");
  EXPECT_FALSE(wrong.isOpen());

  Connection right;
  EXPECT_TRUE(right.open(buildConnectionString(path, "password")).ok());
}

TEST(Connection, RefusesUnknownProvidersMalformedStringsAndASecondOpen) {
  std::string path = fixture("mdb-reader/data/V2003/empty.mdb");
  Connection connection;
  EXPECT_EQ(connection.open("Provider=SQLOLEDB;Data Source=" + path).error().kind(), ErrorKind::Unsupported);
  EXPECT_EQ(connection.open(path).error().kind(), ErrorKind::InvalidArgument);
  EXPECT_FALSE(connection.open(buildConnectionString("/nonexistent/x.mdb", "")).ok());
  EXPECT_FALSE(connection.isOpen());

  ASSERT_TRUE(connection.open(buildConnectionString(path, "")).ok());
  EXPECT_FALSE(connection.open(buildConnectionString(path, "")).ok());
  connection.close();
  EXPECT_FALSE(connection.isOpen());
  EXPECT_FALSE(connection.openSchema(Schema::Tables).ok());
}

TEST(TablesSchema, ListsTableLikeObjectsByTypeThenName) {
  Connection connection;
  ASSERT_TRUE(connection.open(buildConnectionString(fixture("jackcess/V2003/queryTestV2003.mdb"), "")).ok());
  std::vector<SchemaRow> rows = readTablesSchema(connection);

  EXPECT_EQ(rowsOfType(rows, kTypeTable),
            (std::vector<SchemaRow>{{"Table1", "TABLE"}, {"Table2", "TABLE"}, {"Table3", "TABLE"}}));
  // Only the select query is a view; action, union and crosstab queries are not tables.
  EXPECT_EQ(rowsOfType(rows, kTypeView), (std::vector<SchemaRow>{{"SelectQuery", "VIEW"}}));
  EXPECT_EQ(rowsOfType(rows, kTypeSystemTable), (std::vector<SchemaRow>{{"MSysACEs", "SYSTEM TABLE"},
                                                                        {"MSysObjects", "SYSTEM TABLE"},
                                                                        {"MSysQueries", "SYSTEM TABLE"},
                                                                        {"MSysRelationships", "SYSTEM TABLE"}}));
  // Tables Access keeps for itself, ordered without regard to case.
  EXPECT_EQ(rowsOfType(rows, kTypeAccessTable), (std::vector<SchemaRow>{{"MSysAccessStorage", "ACCESS TABLE"},
                                                                        {"MSysNavPaneGroupCategories", "ACCESS TABLE"},
                                                                        {"MSysNavPaneGroups", "ACCESS TABLE"},
                                                                        {"MSysNavPaneGroupToObjects", "ACCESS TABLE"},
                                                                        {"MSysNavPaneObjectIDs", "ACCESS TABLE"}}));
  EXPECT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows.front().type, "ACCESS TABLE");
  EXPECT_EQ(rows.back().type, "VIEW");
}

TEST(TablesSchema, LinkedTablesAndAccessLeftoversAreNotTables) {
  Connection linker;
  ASSERT_TRUE(linker.open(buildConnectionString(fixture("jackcess/V2007/linkerTestV2007.accdb"), "")).ok());
  std::vector<SchemaRow> rows = readTablesSchema(linker);
  EXPECT_EQ(rowsOfType(rows, kTypeLink), (std::vector<SchemaRow>{{"Table2", "LINK"}}));
  EXPECT_EQ(rowsOfType(rows, kTypeTable), (std::vector<SchemaRow>{{"Table1", "TABLE"}}));

  Connection odbc;
  ASSERT_TRUE(odbc.open(buildConnectionString(fixture("jackcess/V2007/odbcLinkerTestV2007.accdb"), "")).ok());
  rows = readTablesSchema(odbc);
  EXPECT_EQ(rowsOfType(rows, kTypePassThrough), (std::vector<SchemaRow>{{"Ordrar", "PASS-THROUGH"}}));
  // A hidden user table is still a table.
  EXPECT_EQ(rowsOfType(rows, kTypeTable), (std::vector<SchemaRow>{{"Lokal", "TABLE"}}));

  // Deleted tables waiting for compaction ("~TMPCLP...") belong to Access.
  Connection leftovers;
  ASSERT_TRUE(leftovers.open(buildConnectionString(fixture("mdb-reader/data/V2016/withdeletedcol.accdb"), "")).ok());
  rows = readTablesSchema(leftovers);
  EXPECT_EQ(rowsOfType(rows, kTypeTable), (std::vector<SchemaRow>{{"Table1", "TABLE"}}));
}

TEST(TablesSchema, FieldsAreLookedUpByExactColumnName) {
  Connection connection;
  ASSERT_TRUE(connection.open(buildConnectionString(fixture("jackcess/V1997/delTestV1997.mdb"), "")).ok());
  auto schema = connection.openSchema(Schema::Tables);
  ASSERT_TRUE(schema.ok());
  EXPECT_EQ(schema->columns(), (std::vector<std::string>{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"}));
  EXPECT_EQ(schema->field("TABLE_CATALOG").value(), std::nullopt);
  EXPECT_EQ(schema->field("table_name").error().kind(), ErrorKind::NotFound);
  while (!schema->eof()) schema->moveNext();
  EXPECT_FALSE(schema->field("TABLE_NAME").ok());
}

TEST(Connection, OpensForReadingUnlessAskedForChanges) {
  test::TempDir dir;
  std::string path = dir.copyFixture("mdb-reader/data/V2007/test.accdb");
  Connection reader;
  ASSERT_TRUE(reader.open(buildConnectionString(path, "")).ok());
  EXPECT_TRUE(reader.database()->isReadOnly());

  Connection writer;
  writer.setMode(ConnectMode::ReadWrite);
  ASSERT_TRUE(writer.open(buildConnectionString(path, "")).ok());
  EXPECT_FALSE(writer.database()->isReadOnly()) << writer.database()->readOnlyReason();
}

TEST(Connection, TheOpenDatabaseOutlivesTheConnectionThatOpenedIt) {
  std::shared_ptr<Database> database;
  {
    auto connection = std::make_shared<Connection>();
    ASSERT_TRUE(connection->open(buildConnectionString(fixture("mdb-reader/data/V2007/test.accdb"), "")).ok());
    database = connection->database();
  }
  auto names = database->userTableNames();
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names->size(), 4u);
}

}  // namespace
}  // namespace ledgerfen::data
