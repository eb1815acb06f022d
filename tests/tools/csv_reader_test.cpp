// Reading CSV text: quoting, line breaks, the byte order mark, and errors
// that name their line.
#include "import/csv_reader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ledgerfen::cli {
namespace {

struct Read {
  std::vector<CsvRecord> records;
  std::string error;  // empty when the whole text was read
};

Read readAll(const std::string& text) {
  CsvReader reader(std::make_unique<std::istringstream>(text, std::ios::binary));
  Read read;
  for (CsvRecord record;;) {
    auto more = reader.next(record);
    if (!more) {
      read.error = more.error().message();
      break;
    }
    if (!*more) break;
    read.records.push_back(record);
  }
  return read;
}

using Fields = std::vector<std::string>;

TEST(CsvReader, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
  Read r = readAll(
      "id,note,amount\n"
      "1,\"a, b\",\"2\"\n"
      "2,\"she said \"\"hi\"\"\",\n"
      "3,\"two\nlines\r\nand three\",x\n"
      "4,\"\",\"\"\"\"\n");
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.records.size(), 5u);
  EXPECT_EQ(r.records[0].fields, (Fields{"id", "note", "amount"}));
  EXPECT_EQ(r.records[1].fields, (Fields{"1", "a, b", "2"}));
  EXPECT_EQ(r.records[2].fields, (Fields{"2", "she said \"hi\"", ""}));
  EXPECT_EQ(r.records[3].fields, (Fields{"3", "two\nlines\r\nand three", "x"}));
  EXPECT_EQ(r.records[4].fields, (Fields{"4", "", "\""}));
  // Each record knows the line it begins on, past records of several lines.
  std::vector<uint64_t> lines;
  for (const CsvRecord& record : r.records) lines.push_back(record.line);
  EXPECT_EQ(lines, (std::vector<uint64_t>{1, 2, 3, 4, 7}));
}

TEST(CsvReader, CrlfLinesByteOrderMarkBlankLinesAndNoFinalLineBreak) {
  Read crlf = readAll("\xEF\xBB\xBFname,n\r\n\"Ada\",\"1\"\r\n\r\nBo,2");
  ASSERT_EQ(crlf.error, "");
  ASSERT_EQ(crlf.records.size(), 3u);
  EXPECT_EQ(crlf.records[0].fields, (Fields{"name", "n"}));  // no mark left on the first name
  EXPECT_EQ(crlf.records[1].fields, (Fields{"Ada", "1"}));
  EXPECT_EQ(crlf.records[2].fields, (Fields{"Bo", "2"}));
  EXPECT_EQ(crlf.records[2].line, 4u);  // the blank line 3 is skipped, but counted

  // Blanks are part of fields, and an empty line in quotes is data.
  Read blanks = readAll(" a , b\n\"\n\",\" \"\n");
  ASSERT_EQ(blanks.error, "");
  EXPECT_EQ(blanks.records[0].fields, (Fields{" a ", " b"}));
  EXPECT_EQ(blanks.records[1].fields, (Fields{"\n", " "}));

  EXPECT_TRUE(readAll("").records.empty());
  EXPECT_TRUE(readAll("\xEF\xBB\xBF").records.empty());
  // Only a mark at the very start is one.
  EXPECT_EQ(readAll("a\n\xEF\xBB\xBF"
                    "b\n")
                .records[1]
                .fields,
            (Fields{"\xEF\xBB\xBF"
                    "b"}));
}

TEST(CsvReader, MisplacedQuotesAreErrorsNamingTheirLine) {
  EXPECT_EQ(readAll("a,b\n1,2\nab\"c,d\n").error.find("line 3: a quote stands where it cannot"), 0u);
  EXPECT_EQ(readAll("a,b\n\"x\"y,2\n").error.find("line 2: "), 0u);
  EXPECT_EQ(readAll("a,b\n\"x\" ,2\n").error.find("line 2: "), 0u);
  // An unclosed quote runs to the end of the file: named where it opened.
  EXPECT_EQ(readAll("a,b\n1,2\n3,\"open\nmore\nstill more\n").error,
            "line 3: a quoted field opened here is never closed");
  // The records before the error were read.
  EXPECT_EQ(readAll("a,b\n1,2\n3,\"open\n").records.size(), 2u);
}

TEST(CsvReader, TextThatIsNotUtf8IsAnErrorNamingItsLine) {
  EXPECT_EQ(readAll("name\nCaf\xE9\n").error, "line 2: field 1 is not UTF-8 text (save the file as UTF-8)");
  EXPECT_EQ(readAll("a,b\nx,\"y\n\xC0\xAF\"\n").error.find("line 2: field 2 is not UTF-8"), 0u);  // overlong '/'
  EXPECT_NE(readAll("a\n\xED\xA0\x80\n").error, "");                                              // a surrogate
  EXPECT_NE(readAll("a\n\xF4\x90\x80\x80\n").error, "");                                          // past U+10FFFF
  EXPECT_NE(readAll("a\n\xE2\x82\n").error, "");                                                  // cut short
  Read fine = readAll("a\n\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\n");
  EXPECT_EQ(fine.error, "");
  EXPECT_EQ(fine.records[1].fields, (Fields{"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"}));
}

}  // namespace
}  // namespace ledgerfen::cli
