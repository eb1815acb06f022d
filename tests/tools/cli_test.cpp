// ledgerfen-db's commands, exit codes and messages.
#include <gtest/gtest.h>

#include <sstream>

#include "cli.h"
#include "support/fixtures.h"

namespace ledgerfen {
namespace {

struct RunResult {
  int code;
  std::string out, err;
};

RunResult run(std::vector<std::string> args) {
  std::istringstream in;
  std::ostringstream out, err;
  int code = cli::run(args, in, out, err);
  return {code, out.str(), err.str()};
}

std::string fixture(const std::string& path) { return test::fixtureNamed(path).fullPath(); }

TEST(Cli, ListsUserTablesInCatalogueOrder) {
  RunResult r = run({"tables", fixture("jackcess/V2003/testIndexPropertiesV2003.mdb")});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "TableIgnoreNulls1\nTableIgnoreNulls1_temp\nTableIgnoreNulls2\nTableIgnoreNulls2_temp\n"
            "TableUnique1_temp\nTableUnique2_temp\n");
}

TEST(Cli, SchemaShowsColumnsAndIndexes) {
  RunResult r = run({"schema", fixture("jackcess/V2003/testIndexPropertiesV2003.mdb"), "TableIgnoreNulls2"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "table TableIgnoreNulls2\n"
            "  column row text size 100 compressed\n"
            "  column data1 text size 100 compressed\n"
            "  column data2 long size 4\n"
            "  index DataIndex (data1 asc, data2 asc) ignore-nulls\n"
            "  index PrimaryKey (row asc) primary unique required\n");
}

TEST(Cli, CountsLiveRowsOnly) {
  EXPECT_EQ(run({"count", fixture("jackcess/V2000/compIndexTestV2000.mdb"), "Table1"}).out, "512\n");
  // The definition of this table still counts 3 rows; 4 are stored.
  EXPECT_EQ(run({"count", fixture("jackcess/V2010/calcFieldTestV2010.accdb"), "Table1"}).out, "4\n");
}

TEST(Cli, TableNamesMatchWithoutRegardToCase) {
  EXPECT_EQ(run({"count", fixture("jackcess/V2000/compIndexTestV2000.mdb"), "TABLE1"}).out, "512\n");
}

TEST(Cli, UnreadableFilesExitWithTwoAndOneLine) {
  RunResult missing = run({"tables", "/nonexistent/x.mdb"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.err, "ledgerfen-db: /nonexistent/x.mdb: no such file\n");

  RunResult foreign = run({"tables", test::fixtureDir() + "/MANIFEST.tsv"});
  EXPECT_EQ(foreign.code, 2);
  EXPECT_NE(foreign.err.find("not an Access database"), std::string::npos);
  EXPECT_EQ(std::count(foreign.err.begin(), foreign.err.end(), '\n'), 1);

  RunResult noTable = run({"count", fixture("jackcess/V2000/compIndexTestV2000.mdb"), "Nope"});
  EXPECT_EQ(noTable.code, 2);
  EXPECT_NE(noTable.err.find("there is no table named Nope"), std::string::npos);
}

TEST(Cli, UsageErrorsExitWithOne) {
  EXPECT_EQ(run({}).code, 1);
  EXPECT_EQ(run({"frobnicate"}).code, 1);
  EXPECT_EQ(run({"tables"}).code, 1);
  EXPECT_EQ(run({"dump", "x.mdb"}).code, 1);  // --canonical is required
  EXPECT_EQ(run({"tables", "x.mdb", "--password"}).code, 1);
  EXPECT_EQ(run({"tables", "x.mdb", "--bogus"}).code, 1);
}

TEST(Cli, JetPasswordIsCheckedAndNeverEchoed) {
  std::string file = fixture("mdb-reader/password/data/V2000_with-password.mdb");
  RunResult none = run({"tables", file});
  EXPECT_EQ(none.code, 2);
  EXPECT_EQ(none.err, "ledgerfen-db: Not a valid password.\n");
  RunResult wrong = run({"tables", file, "--password", "Password"});
  EXPECT_EQ(wrong.code, 2);
  EXPECT_EQ(wrong.err.find("Password"), std::string::npos);
  EXPECT_EQ(run({"tables", file, "--password", "password"}).out, "Table1\n");
  // A password given for a database that has none is ignored.
  EXPECT_EQ(run({"tables", fixture("mdb-reader/password/data/V2003_no-password.mdb"), "--password", "x"}).code, 0);
}

TEST(Cli, EncryptedAceFilesOpenWithTheirPasswordOnEveryCommand) {
  for (const char* path : {"mdb-reader/encryption/data/office-agile-4.2.accdb",
                           "mdb-reader/encryption/data/office-agile-4.4.accdb"}) {
    std::string file = fixture(path);
    EXPECT_EQ(run({"tables", file, "--password", "password"}).out, "Table1\n") << path;
    EXPECT_EQ(run({"count", file, "Table1", "--password", "password"}).out, "3\n") << path;
    EXPECT_EQ(run({"schema", "--password", "password", file, "Table1"}).code, 0) << path;
    EXPECT_EQ(run({"dump", "--canonical", file, "--password", "password"}).code, 0) << path;
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"tables", file}, {"schema", file}, {"count", file, "Table1"}, {"dump", "--canonical", file}}) {
      RunResult none = run(args);
      EXPECT_EQ(none.code, 2);
      EXPECT_EQ(none.err, "ledgerfen-db: Not a valid password.\n");
      args.insert(args.end(), {"--password", "Secret-Pa55"});
      RunResult wrong = run(args);
      EXPECT_EQ(wrong.code, 2);
      EXPECT_EQ(wrong.err, "ledgerfen-db: Not a valid password.\n");
      EXPECT_EQ(wrong.out, "");
    }
  }
}

}  // namespace
}  // namespace ledgerfen
