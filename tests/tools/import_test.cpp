// ledgerfen-db import: CSV files into new and existing tables, as one
// transaction, judged by the integrity check and the independent readers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/cli_run.h"
#include "support/fixtures.h"
#include "support/oracles.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

using test::run;
using test::RunResult;

class Import : public testing::Test {
 protected:
  std::string file(const std::string& name, const std::string& content) {
    std::string path = dir_.path() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string newDatabase(const std::string& format = "jet4") {
    std::string path = dir_.path() + "/db-" + format + ".mdb";
    RunResult made = run({"create", path, "--format", format});
    EXPECT_EQ(made.code, 0) << made.err;
    return path;
  }
  // The dump lines of one table: its description, then its rows.
  static std::string tableDump(const std::string& db, const std::string& table) {
    std::istringstream dump(run({"dump", "--canonical", db}).out);
    std::string lines;
    for (std::string line; std::getline(dump, line);) {
      if (line.starts_with("{\"table\":\"" + table + "\"") || line.starts_with("{\"t\":\"" + table + "\"")) {
        lines += line + "\n";
      }
    }
    return lines;
  }
  // The file passes the strict integrity check, and both independent
  // readers read it as the engine does.
  static void expectSoundForEveryReader(const std::string& db) {
    RunResult check = run({"check", db, "--strict"});
    EXPECT_EQ(check.code, 0) << check.out << check.err;
    EXPECT_EQ(check.out + check.err, "");
    auto mdbReader = test::mdbReaderAgrees(db, "", run({"dump", "--canonical", db}).out);
    if (!mdbReader.available) GTEST_SKIP() << "the oracles are not installed (script/test installs them)";
    EXPECT_TRUE(mdbReader.agrees) << mdbReader.detail;
    auto mdbtools = test::mdbtoolsAgrees(db, "");
    EXPECT_TRUE(mdbtools.agrees) << mdbtools.detail;
  }
  // What the folder holds, byte for byte: a failed import leaves it as it was.
  std::map<std::string, std::vector<uint8_t>> folder() const {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      files[entry.path().filename().string()] = test::readFileBytes(entry.path().string());
    }
    return files;
  }

  test::TempDir dir_;
};

// The shape the export writes: a byte order mark, every field quoted, CRLF
// line ends and an empty last line.
const std::string kPeople =
    "\xEF\xBB\xBF\"Name\",\"Age\",\"Balance\",\"Joined\",\"Active\",\"Account\",\"Notes\",\"Nothing\"\r\n"
    "\"Ada\",\"36\",\"1234.5\",\"1815-12-10\",\"Yes\",\"12345678901234567890\",\"says \"\"hi\"\", "
    "then\r\nleaves\",\"\"\r\n"
    "\"Bo\",\"\",\"-0.25\",\"2024-03-01 14:05:09\",\"no\",\"7\",\"\",\"\"\r\n"
    "\"Cy\",\"-7\",\"3\",\"2024-03-01 14:05:09.250\",\"TRUE\",\"-99\",\"" +
    std::string(300, 'x') +
    "\",\"\"\r\n"
    "\r\n";

TEST_F(Import, CreatesTheTableWithTypesFromEveryValue) {
  for (const char* format : {"jet4", "ace12"}) {
    std::string db = newDatabase(format);
    RunResult r = run({"import", db, "People", file("people.csv", kPeople)});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "created table People (Name text, Age long, Balance double, Joined datetime, Active boolean, "
              "Account numeric(28,0), Notes memo, Nothing text)\nimported 3 rows into People\n");
    EXPECT_EQ(
        tableDump(db, "People"),
        "{\"table\":\"People\",\"columns\":[{\"name\":\"Name\",\"type\":\"text\",\"size\":510},"
        "{\"name\":\"Age\",\"type\":\"long\",\"size\":4},{\"name\":\"Balance\",\"type\":\"double\",\"size\":8},"
        "{\"name\":\"Joined\",\"type\":\"datetime\",\"size\":8},{\"name\":\"Active\",\"type\":\"boolean\",\"size\":0},"
        "{\"name\":\"Account\",\"type\":\"numeric\",\"size\":17,\"precision\":28,\"scale\":0},"
        "{\"name\":\"Notes\",\"type\":\"memo\",\"size\":0},{\"name\":\"Nothing\",\"type\":\"text\",\"size\":510}],"
        "\"rows\":3}\n"
        "{\"t\":\"People\",\"r\":[\"Ada\",36,1234.5,\"1815-12-10T00:00:00\",true,\"12345678901234567890\","
        "\"says \\\"hi\\\", then\\r\\nleaves\",null]}\n"
        "{\"t\":\"People\",\"r\":[\"Bo\",null,-0.25,\"2024-03-01T14:05:09\",false,\"7\",null,null]}\n"
        "{\"t\":\"People\",\"r\":[\"Cy\",-7,3,\"2024-03-01T14:05:09.250\",true,\"-99\",\"" +
            std::string(300, 'x') + "\",null]}\n")
        << format;
    expectSoundForEveryReader(db);
  }
}

TEST_F(Import, FillsAnExistingTableByColumnNamesInAnyOrder) {
  std::string db = newDatabase();
  ASSERT_EQ(run({"create-table", db, "Scores", "ID long autonumber primary", "Name text(50) required", "Born datetime",
                 "Score double", "Paid currency"})
                .code,
            0);
  // A subset of the columns, in another order, names in another case.
  std::string csv = file("scores.csv", "score,NAME,Born\n12.5,Ada,1815-12-10\n,Bo,\n");
  RunResult first = run({"import", db, "scores", csv});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(first.out, "imported 2 rows into Scores\n");
  RunResult second = run({"import", db, "Scores", file("more.csv", "Paid,Name\n3.5,\"Cy, Jr.\"\n")});
  ASSERT_EQ(second.code, 0) << second.err;
  EXPECT_EQ(second.out, "imported 1 row into Scores\n");
  // AutoNumbers come from the engine, and go on from one import to the next.
  EXPECT_EQ(tableDump(db, "Scores").substr(tableDump(db, "Scores").find('\n') + 1),
            "{\"t\":\"Scores\",\"r\":[1,\"Ada\",\"1815-12-10T00:00:00\",12.5,null]}\n"
            "{\"t\":\"Scores\",\"r\":[2,\"Bo\",null,null,null]}\n"
            "{\"t\":\"Scores\",\"r\":[3,\"Cy, Jr.\",null,null,\"3.5000\"]}\n");
  expectSoundForEveryReader(db);
}

TEST_F(Import, FillsATableAccessMadeAndKeepsItsIndexes) {
  std::string db = dir_.copyFixture("jackcess/V2000/compIndexTestV2000.mdb");
  RunResult r = run({"import", db, "Table1", file("agents.csv", "DC_AGENTE,CD_AGENTE\nnew,100001\n,100002\n")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(run({"count", db, "Table1"}).out, "514\n");
  EXPECT_EQ(run({"find", db, "Table1", "--index", "CD_AGENTE", "--key", "100001"}).out,
            "{\"t\":\"Table1\",\"r\":[100001,null,\"new\"]}\n");
  expectSoundForEveryReader(db);
}

TEST_F(Import, ColumnsLeftOutTakeTheirDefaults) {
  // Access gave the number columns of this table the default 0.
  std::string db = dir_.copyFixture("jackcess/V2003/delColTestV2003.mdb");
  RunResult r = run({"import", db, "Table1", file("ids.csv", "data,id\nimported,900\n")});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string dump = tableDump(db, "Table1");
  EXPECT_NE(dump.find("[900,0,\"imported\",null]"), std::string::npos) << dump;
  expectSoundForEveryReader(db);
}

// A failed import writes nothing: the database file (and its folder) are
// byte for byte as before, and the message names the line and the column.
TEST_F(Import, AnyProblemLeavesTheDatabaseAsItWas) {
  std::string db = newDatabase();
  ASSERT_EQ(run({"create-table", db, "T", "ID long autonumber primary", "Name text(5)", "N long unique"}).code, 0);
  ASSERT_EQ(run({"import", db, "T", file("seed.csv", "Name,N\nseed,1\n")}).code, 0);
  struct Case {
    std::string table, csv, message;
  };
  const Case cases[] = {
      // Values the column cannot take, after good rows (and a record of three lines).
      {"T", "Name,N\na,2\n\"b\nc\nd\",3\ne,x\n",
       "bad.csv, line 6: column N expects a whole number from -2147483648 to 2147483647, not \"x\""},
      {"T", "N,Name\n2,a\n3,toolong\n", "bad.csv, line 3: the text for column Name is longer than its 5 characters"},
      {"T", "Name,N\na,2\nb,1\n", "bad.csv, line 3: "},  // 1 is there already
      // The file's shape.
      {"T", "Name,N\na,2\nb\n", "bad.csv, line 3: it has 1 field where the header names 2 columns"},
      {"T", "Name,N\na,2\nb,\"3\n", "bad.csv, line 3: a quoted field opened here is never closed"},
      {"T", "Name,N\na,2\nb,3\"\n", "bad.csv, line 3: a quote stands where it cannot"},
      {"T", "Name,N\na,2\n\xE9t\xE9,3\n", "bad.csv, line 3: field 1 is not UTF-8 text"},
      {"T", "", "bad.csv: the file is empty: its first line must name the columns"},
      // The header.
      {"T", "Name,Nope\na,2\n", "bad.csv, line 1: table T has no column \"Nope\""},
      {"T", "Name,name\na,b\n", "bad.csv, line 1: the header names the column \"name\" twice"},
      {"New", "a,,c\n1,2,3\n", "bad.csv, line 1: column 2 of the header has no name"},
      {"New", "a,b.c\n1,2\n", "'b.c' is not a valid column name"},
      {"MSysNew", "a\n1\n", "is not a valid table name"},
  };
  for (const Case& c : cases) {
    std::string csv = file("bad.csv", c.csv);
    auto before = folder();
    RunResult r = run({"import", db, c.table, csv});
    EXPECT_EQ(r.code, 2) << c.csv;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.starts_with("ledgerfen-db: ")) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(folder() == before) << "the failed import changed the folder: " << c.csv;
  }
  EXPECT_EQ(run({"tables", db}).out, "T\n");
  EXPECT_EQ(run({"count", db, "T"}).out, "1\n");

  RunResult missing = run({"import", db, "T", dir_.path() + "/none.csv"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.err, "ledgerfen-db: " + dir_.path() + "/none.csv: no such file\n");
  EXPECT_EQ(run({"import", db, "T"}).code, 1);
}

// A pipe can be read only once, though a new table needs two readings: one
// to choose the types, one to insert.
TEST_F(Import, ReadsAPipeOnlyOnce) {
  std::string db = newDatabase();
  std::string fifo = dir_.path() + "/pipe.csv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << "a,b\n1,x\n2,y\n"; });
  RunResult r = run({"import", db, "Piped", fifo});
  // Should the import not have opened the pipe, the writer is let go.
  int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  writer.join();
  if (fd >= 0) close(fd);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "created table Piped (a long, b text)\nimported 2 rows into Piped\n");
  EXPECT_EQ(tableDump(db, "Piped").substr(tableDump(db, "Piped").find('\n') + 1),
            "{\"t\":\"Piped\",\"r\":[1,\"x\"]}\n{\"t\":\"Piped\",\"r\":[2,\"y\"]}\n");
}

// Past a few thousand pages a transaction's pages go to the file before the
// commit; a failure at the last line must still put every byte back.
TEST_F(Import, AFailureAfterPagesReachedTheFileStillRestoresIt) {
  std::string db = newDatabase();
  ASSERT_EQ(run({"create-table", db, "Letters", "Body memo", "N long"}).code, 0);
  std::string csv = "Body,N\n";
  const std::string body(60000, 'w');
  const int rows = 450;  // some 6,600 pages of 4 KB
  for (int i = 0; i < rows; ++i) csv += body + "," + std::to_string(i) + "\n";
  csv += "last,not a number\n";
  std::string path = file("letters.csv", csv);
  auto before = folder();
  RunResult r = run({"import", db, "Letters", path});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err.find("ledgerfen-db: " + path + ", line " + std::to_string(rows + 2) + ": column N expects"), 0u)
      << r.err;
  EXPECT_TRUE(folder() == before);
  EXPECT_EQ(run({"check", db, "--strict"}).code, 0);
}

}  // namespace
}  // namespace ledgerfen
