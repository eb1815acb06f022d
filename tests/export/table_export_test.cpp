// ledgerfen-db export: a table of a database file written by the window's
// writers over the grid's cell texts, to standard output or a file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "ledgerfen/database.h"
#include "ledgerfen/export/table_grid_reader.h"
#include "support/cli_run.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

const std::string kGoldenDir = LEDGERFEN_EXPORT_GOLDEN_DIR;

using test::run;
using test::RunResult;

// Table1 of an Access 2010 file (text, numbers, a date, currency, yes/no)
// with two more rows: separators, a line break, NULLs and non-Latin text.
class TableExport : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LC_ALL", "C.UTF-8", 1);
    path_ = dir_.copyFixture("mdb-reader/data/V2010/test.accdb");
    auto db = Database::open(path_, OpenOptions{"", true, nullptr});
    ASSERT_TRUE(db.ok());
    auto table = (*db)->table("Table1");
    ASSERT_TRUE(table.ok());
    ASSERT_TRUE(table
                    ->insertRow({std::string("say \"hi\", then\r\nleave"), Value(), uint8_t(7), Value(), int32_t(-5),
                                 0.25, OleDate{45352.5}, Currency{123450}, true})
                    .ok());
    ASSERT_TRUE(table
                    ->insertRow({std::string("Ωμέγα 日本"), std::string("x & y <z>"), Value(), Value(), Value(),
                                 Value(), Value(), Value(), false})
                    .ok());
  }

  test::TempDir dir_;
  std::string path_;
};

TEST_F(TableExport, WritesTheGoldenBytesOfEachFormat) {
  for (const std::string format : {"csv", "txt", "xml"}) {
    RunResult r = run({"export", path_, "Table1", "--format", format});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, test::readFileText(kGoldenDir + "/table1." + format)) << format;
  }
}

TEST_F(TableExport, OutputOptionReplacesTheFileWithTheSameBytes) {
  const std::string out = dir_.path() + "/table1.xml";
  std::ofstream(out) << std::string(5000, 'x');
  RunResult r = run({"export", path_, "Table1", "--format", "xml", "-o", out});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(test::readFileText(out), test::readFileText(kGoldenDir + "/table1.xml"));

  RunResult unwritable = run({"export", path_, "Table1", "--format", "csv", "--output", dir_.path() + "/no/x.csv"});
  EXPECT_EQ(unwritable.code, 2);
  EXPECT_EQ(unwritable.err, "ledgerfen-db: Cannot write " + dir_.path() + "/no/x.csv: No such file or directory\n");
}

TEST_F(TableExport, UsageAndReadErrors) {
  EXPECT_EQ(run({"export", path_, "Table1"}).code, 1);
  EXPECT_EQ(run({"export", path_, "Table1", "--format", "json"}).code, 1);
  EXPECT_EQ(run({"export", path_, "--format", "csv"}).code, 1);
  RunResult noTable = run({"export", path_, "Nope", "--format", "csv"});
  EXPECT_EQ(noTable.code, 2);
  EXPECT_NE(noTable.err.find("there is no table named Nope"), std::string::npos);
}

TEST_F(TableExport, TheTableReaderGoesBackAndForthAndStopsAtItsRows) {
  auto db = Database::open(path_);
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Table1");
  ASSERT_TRUE(table.ok());
  auto grid = exporting::TableGridReader::open(std::move(*table));
  ASSERT_TRUE(grid.ok());
  EXPECT_EQ((*grid)->rowCount(), 4);
  EXPECT_EQ((*grid)->columnCaption(8), "I");
  ASSERT_TRUE((*grid)->goToRow(4).ok());
  EXPECT_EQ(*(*grid)->cellText(1), "x & y <z>");
  ASSERT_TRUE((*grid)->goToRow(1).ok());
  EXPECT_EQ(*(*grid)->cellText(0), "a");
  EXPECT_EQ(*(*grid)->cellText(8), "No");
  EXPECT_FALSE((*grid)->goToRow(5).ok());
  EXPECT_FALSE((*grid)->cellText(9).ok());
}

}  // namespace
}  // namespace ledgerfen
