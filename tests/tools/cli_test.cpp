// ledgerfen-db's commands, exit codes and messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/cli_run.h"
#include "support/fixtures.h"

namespace ledgerfen {
namespace {

using test::run;
using test::RunResult;

std::string fixture(const std::string& path) {
  return test::fixtureNamed(path).fullPath();
}

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
  for (const char* path :
       {"mdb-reader/encryption/data/office-agile-4.2.accdb", "mdb-reader/encryption/data/office-agile-4.4.accdb"}) {
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

TEST(CliFind, EqualKeyPrintsRowsInTheCanonicalFormat) {
  std::string file = fixture("jackcess/V2000/compIndexTestV2000.mdb");
  RunResult r = run({"find", file, "Table1", "--index", "CD_AGENTE", "--key", "19"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"t\":\"Table1\",\"r\":[19,\"abc\",\"def\"]}\n");
  RunResult nulls = run({"find", file, "Table1", "--index", "CD_AGENTE", "--key", "NULL"});
  EXPECT_EQ(nulls.out,
            "{\"t\":\"Table1\",\"r\":[null,\"abc\",\"ddd\"]}\n{\"t\":\"Table1\",\"r\":[null,\"abc\",\"efg\"]}\n");
  EXPECT_EQ(run({"find", file, "Table1", "--index", "CD_AGENTE", "--key", "20"}).out, "");
}

TEST(CliFind, RangesFollowTheIndexOrder) {
  std::string file = fixture("jackcess/V2000/compIndexTestV2000.mdb");
  // A descending index runs from the largest value to the smallest.
  RunResult r = run({"find", file, "Table1", "--index", "CD_AGENTE", "--from", "43", "--before", "27"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"t\":\"Table1\",\"r\":[43,\"abc\",\"def\"]}\n{\"t\":\"Table1\",\"r\":[35,\"abc\",\"def\"]}\n");
  EXPECT_EQ(run({"find", file, "Table1", "--index", "CD_AGENTE", "--after", "43", "--to", "27"}).out,
            "{\"t\":\"Table1\",\"r\":[35,\"abc\",\"def\"]}\n{\"t\":\"Table1\",\"r\":[27,\"abc\",\"def\"]}\n");
}

TEST(CliFind, TextMatchesAsTheSortOrderComparesAndLeadingColumnsSuffice) {
  std::string file = fixture("jackcess/V1997/testIndexCodesV1997.mdb");
  EXPECT_EQ(run({"find", file, "Table1", "--index", "DataIndex", "--key", "aa"}).out,
            "{\"t\":\"Table1\",\"r\":[\"row0\",\"AA\"]}\n");
  // Two columns, the second descending; one value ranges over the first.
  RunResult r = run({"find", file, "Table12_asc_desc", "--index", "DataIndex", "--key", "NULL"});
  EXPECT_EQ(
      r.out,
      "{\"t\":\"Table12_asc_desc\",\"r\":[\"row1\",null,49]}\n{\"t\":\"Table12_asc_desc\",\"r\":[\"row8\",null,0]}\n"
      "{\"t\":\"Table12_asc_desc\",\"r\":[\"row3\",null,-45]}\n{\"t\":\"Table12_asc_desc\",\"r\":[\"row5\",null,null]}"
      "\n");
  EXPECT_EQ(run({"find", file, "Table12_asc_desc", "--index", "DataIndex", "--key", "more", "--key", "NULL"}).out,
            "{\"t\":\"Table12_asc_desc\",\"r\":[\"row2\",\"more\",null]}\n");
  EXPECT_EQ(
      run({"find", file, "Table13", "--index", "DataIndex", "--key", "{0fc49b7b-e656-4228-aedc-df8bdf4c4a64}"}).out,
      "{\"t\":\"Table13\",\"r\":[\"row10\",\"{0FC49B7B-E656-4228-AEDC-DF8BDF4C4A64}\"]}\n");
}

TEST(CliFind, MistakesAreUsageErrors) {
  std::string file = fixture("jackcess/V2000/compIndexTestV2000.mdb");
  auto find = [&](std::vector<std::string> more) {
    std::vector<std::string> args = {"find", file, "Table1"};
    args.insert(args.end(), more.begin(), more.end());
    return run(args);
  };
  EXPECT_EQ(find({"--key", "1"}).code, 1);  // no --index
  EXPECT_EQ(find({"--index", "CD_AGENTE", "--key", "1", "--from", "2"}).code, 1);
  EXPECT_EQ(find({"--index", "CD_AGENTE", "--from", "1", "--after", "2"}).code, 1);
  EXPECT_EQ(find({"--index", "CD_AGENTE", "--key", "1", "--key", "2"}).code, 1);  // one column
  RunResult notANumber = find({"--index", "CD_AGENTE", "--key", "x"});
  EXPECT_EQ(notANumber.code, 1);
  EXPECT_EQ(notANumber.err.find("ledgerfen-db: column CD_AGENTE expects"), 0u) << notANumber.err;
  RunResult noIndex = find({"--index", "Nope", "--key", "1"});
  EXPECT_EQ(noIndex.code, 2);
  EXPECT_EQ(noIndex.err, "ledgerfen-db: table Table1 has no index named Nope\n");
}

// The integrity check compares every index with its rows.
TEST(CliCheck, ReportsAnIndexEntryWhoseKeyItsRowDoesNotGive) {
  std::string file = fixture("jackcess/V2000/compIndexTestV2000.mdb");
  EXPECT_EQ(run({"check", file}).code, 0);
  // The first key byte of leaf 33 (a NULL of the descending index) changed.
  std::vector<uint8_t> bytes = test::readFileBytes(file);
  bytes[33 * 4096 + 480] = 0xFE;
  std::string damaged = testing::TempDir() + "/damaged_index.mdb";
  std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  RunResult r = run({"check", damaged});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("table Table1, index CD_AGENTE: the entry for data page"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("holds the key FE; its values give FF"), std::string::npos) << r.out;
  std::remove(damaged.c_str());
}

}  // namespace
}  // namespace ledgerfen
