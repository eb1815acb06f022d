// The CSV, TXT and XML writers: exact bytes for small tables (the golden
// files beside this test), how they read the grid, and what they leave
// behind when the grid fails.
#include "ledgerfen/export/text_writers.h"

#include <gtest/gtest.h>

#include "support/fixtures.h"
#include "table_grid.h"

namespace ledgerfen {
namespace {

using exporting::StringSink;
using exporting::TextEncoding;
using exporting::TextFormat;

const std::string kGoldenDir = LEDGERFEN_EXPORT_GOLDEN_DIR;

struct GoldenCase {
  std::string table;
  TextFormat format;
  std::string extension;
};

void PrintTo(const GoldenCase& c, std::ostream* out) {
  *out << c.table << "." << c.extension;
}

class GoldenFiles : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenFiles, WriterGivesTheExpectedBytes) {
  const GoldenCase& c = GetParam();
  test::TableGrid grid(test::tableFromJson(test::readFileText(kGoldenDir + "/" + c.table + ".json")));
  StringSink file;
  ASSERT_TRUE(exporting::writeTable(c.format, grid, file, TextEncoding::utf8()).ok());
  EXPECT_TRUE(file.finished);
  EXPECT_EQ(file.bytes, test::readFileText(kGoldenDir + "/" + c.table + "." + c.extension));
}

std::vector<GoldenCase> goldenCases() {
  std::vector<GoldenCase> cases;
  for (const char* table : {"no_rows", "null_cell", "separators", "element_names", "non_latin"}) {
    cases.push_back({table, TextFormat::Csv, "csv"});
    cases.push_back({table, TextFormat::Txt, "txt"});
    cases.push_back({table, TextFormat::Xml, "xml"});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Tables, GoldenFiles, ::testing::ValuesIn(goldenCases()),
                         [](const auto& info) { return info.param.table + "_" + info.param.extension; });

test::TableData numberedRows(int rows) {
  test::TableData data{{"ID", "Name"}, {}};
  for (int n = 1; n <= rows; ++n) data.rows.push_back({std::to_string(n), "row " + std::to_string(n)});
  return data;
}

TEST(TextWriters, LeaveTheGridOnTheLastRow) {
  for (TextFormat format : {TextFormat::Csv, TextFormat::Txt, TextFormat::Xml}) {
    test::TableGrid grid(numberedRows(50));
    grid.setCurrentRow(7);
    StringSink file;
    ASSERT_TRUE(exporting::writeTable(format, grid, file, TextEncoding::utf8()).ok());
    EXPECT_EQ(grid.currentRow(), 50);
    EXPECT_EQ(grid.goToRowCalls, 50);
  }
}

TEST(TextWriters, ReadTheColumnCountAfreshForEveryRow) {
  test::TableGrid grid(numberedRows(3));
  grid.narrowFromRow = 2;
  grid.narrowTo = 1;
  StringSink file;
  ASSERT_TRUE(exporting::writeCsv(grid, file, TextEncoding::utf8()).ok());
  EXPECT_EQ(file.bytes, "\"ID\",\"Name\"\r\n\"1\",\"row 1\"\r\n\"2\"\r\n\"3\"\r\n\r\n");
}

TEST(TextWriters, AFailingGridLeavesTheFileUnfinished) {
  for (TextFormat format : {TextFormat::Csv, TextFormat::Txt, TextFormat::Xml}) {
    test::TableGrid rowFails(numberedRows(3));
    rowFails.failGoingToRow = 2;
    StringSink file;
    auto written = exporting::writeTable(format, rowFails, file, TextEncoding::utf8());
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().message(), "The grid cannot go to row 2.");
    EXPECT_FALSE(file.finished) << "an unfinished file takes no effect";

    test::TableGrid cellFails(numberedRows(3));
    cellFails.failCellRow = 3;
    cellFails.failCellColumn = 1;
    EXPECT_FALSE(exporting::writeTable(format, cellFails, file, TextEncoding::utf8()).ok());
    EXPECT_FALSE(file.finished);
  }
}

TEST(TextWriters, WriteTheTextInTheGivenCodeSet) {
  test::TableGrid grid(test::TableData{{"Name"}, {{"café Ж"}, {std::string("lone \xED\xA0\x80 half")}}});
  auto latin1 = TextEncoding::named("ISO-8859-1");
  ASSERT_TRUE(latin1.ok());
  StringSink file;
  ASSERT_TRUE(exporting::writeTxt(grid, file, *latin1).ok());
  EXPECT_EQ(file.bytes, "Name\t\r\ncaf\xE9 ?\t\r\nlone ? half\t\r\n\r\n");

  // UTF-8 keeps every character; the unpaired surrogate has no UTF-8 form.
  StringSink utf8File;
  ASSERT_TRUE(exporting::writeTxt(grid, utf8File, TextEncoding::utf8()).ok());
  EXPECT_EQ(utf8File.bytes, "Name\t\r\ncafé Ж\t\r\nlone ? half\t\r\n\r\n");
}

TEST(TextWriters, XmlTextEscapesWhatXmlCannotHoldAsIs) {
  test::TableGrid grid(test::TableData{{"T"}, {{"a&b<c>d \x01 \xEF\xBF\xBF \"q\" 'a'"}}});
  StringSink file;
  ASSERT_TRUE(exporting::writeXml(grid, file, TextEncoding::utf8()).ok());
  EXPECT_EQ(file.bytes, "<xml>\r\n<row>\r\n<T>a&amp;b&lt;c&gt;d _x0001_ _xFFFF_ \"q\" 'a'</T>\r\n</row>\r\n</xml>\r\n");
}

// What an XML reader would change or refuse is written so that, with the
// _xHHHH_ escapes read, every text comes back exactly.
TEST(TextWriters, XmlTextKeepsLineBreaksAndEscapesAsTheyWere) {
  test::TableGrid grid(test::TableData{
      {"T"}, {{"two\r\nlines\rand\nmore"}, {"_x0041_ and _x1_"}, {"lone \xED\xA0\x80 half, \xFF byte, \xEF\xBF\xBD"}}});
  StringSink file;
  ASSERT_TRUE(exporting::writeXml(grid, file, TextEncoding::utf8()).ok());
  EXPECT_EQ(file.bytes,
            "<xml>\r\n"
            "<row>\r\n<T>two&#13;\nlines&#13;and\nmore</T>\r\n</row>\r\n"
            "<row>\r\n<T>_x005F_x0041_ and _x1_</T>\r\n</row>\r\n"
            "<row>\r\n<T>lone _xD800_ half, ? byte, \xEF\xBF\xBD</T>\r\n</row>\r\n"
            "</xml>\r\n");
}

// Without a declaration a reader takes the document for UTF-8: in another
// code set it is written as ASCII, every other character a reference in
// text and an escape in names.
TEST(TextWriters, XmlInACodeSetOtherThanUtf8IsAscii) {
  test::TableGrid grid(test::TableData{{"Größe", "Note"}, {{"café", "Ж 😀 <ok>"}}});
  auto latin1 = TextEncoding::named("ISO-8859-1");
  ASSERT_TRUE(latin1.ok());
  StringSink file;
  ASSERT_TRUE(exporting::writeXml(grid, file, *latin1).ok());
  EXPECT_EQ(file.bytes,
            "<xml>\r\n<row>\r\n"
            "<Gr_x00F6__x00DF_e>caf&#x00E9;</Gr_x00F6__x00DF_e>\r\n"
            "<Note>&#x0416; &#x01F600; &lt;ok&gt;</Note>\r\n"
            "</row>\r\n</xml>\r\n");
  EXPECT_EQ(exporting::xmlElementName("Größe", true), "Gr_x00F6__x00DF_e");
  EXPECT_EQ(exporting::xmlElementName("Größe"), "Größe");
}

TEST(XmlElementNames, KeepNamesXmlAllowsAndEscapeEveryOtherCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"Name", "Name"},
      {"Order Date", "Order_x0020_Date"},
      {"2nd", "_x0032_nd"},
      {"-x", "_x002D_x"},
      {"x-1.5", "x-1.5"},
      {"a:b", "a_x003A_b"},
      {"Größe", "Größe"},
      {"名前", "名前"},
      {"\xF3\xB0\x80\x80", "_x000F0000_"},  // U+F0000 lies beyond the name characters
      {"\xED\xA0\x80", "_xD800_"},          // an unpaired surrogate
      {"a\xFF", "a_xFFFD_"},                // a byte that is no character
      {"_x0041_", "_x005F_x0041_"},         // would read as an escape
      {"_x00e9_", "_x005F_x00e9_"},
      {"_x0001F600_", "_x005F_x0001F600_"},
      {"_x12_", "_x12_"},  // too short to read as one
      {"x_", "x_"},
      {"", "_"},
  };
  for (const auto& [caption, name] : cases) EXPECT_EQ(exporting::xmlElementName(caption), name) << caption;
}

}  // namespace
}  // namespace ledgerfen
