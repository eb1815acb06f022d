// How ledgerfen-print reads the TXT export back and lays the table out in
// pages: columns that line up, texts wrapped inside their column, the
// captions and the page number on every page, the paper turned for wide
// tables, and nothing the text filter would draw out of place.
#include "ledgerfen/pdf/table_pages.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ledgerfen/export/byte_sink.h"
#include "ledgerfen/export/text_writers.h"
#include "table_grid.h"

namespace ledgerfen::pdf {
namespace {

// The TXT export's bytes for the table, in UTF-8.
std::string exportedText(const test::TableData& data) {
  test::TableGrid grid(data);
  exporting::StringSink file;
  EXPECT_TRUE(exporting::writeTxt(grid, file, exporting::TextEncoding::utf8()).ok());
  return file.bytes;
}

std::vector<std::string> pagesOf(const std::string& text) {
  std::vector<std::string> pages;
  std::istringstream in(text);
  for (std::string page; std::getline(in, page, '\f');) pages.push_back(page);
  return pages;
}

std::vector<std::string> linesOf(const std::string& page) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A small sheet, 44 characters by 17 lines upright at 10 characters and 6
// lines an inch, so that tests can count.
constexpr Paper kSmallPaper{4.5 * 72 + 72, 3 * 72 + 72, 36};

TEST(ReadExportedText, GivesBackTheCaptionsAndCellsTheTxtExportWrote) {
  const test::TableData data{{"ID", "Note", "Empty"},
                             {{"1", "two\r\nlines", std::nullopt},
                              {"2", "a\ttab", ""},
                              {"3", "ends in a break\r\n", "x"},
                              {"4", "\r\n", std::nullopt}}};
  const PrintedTable table = readExportedText(exportedText(data));
  EXPECT_EQ(table.captions(), (std::vector<std::string>{"ID", "Note", "Empty"}));
  ASSERT_EQ(table.rows.size(), 4u);
  EXPECT_EQ(table.rows[0], (std::vector<std::string>{"1", "two\r\nlines", ""}));
  // A TAB inside a cell cannot be told from the one after it: the rest of
  // the line stays together in the last column.
  EXPECT_EQ(table.rows[1], (std::vector<std::string>{"2", "a", "tab\t"}));
  EXPECT_EQ(table.rows[2], (std::vector<std::string>{"3", "ends in a break\r\n", "x"}));
  EXPECT_EQ(table.rows[3], (std::vector<std::string>{"4", "\r\n", ""}));

  const PrintedTable empty = readExportedText(exportedText({{"A", "B"}, {}}));
  EXPECT_EQ(empty.captions(), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(empty.rows.empty());
  EXPECT_TRUE(readExportedText("").captions().empty());
}

TEST(PageGrid, IsWhatTheTextFilterFitsLessOneLineAndOneCharacter) {
  // A4 with half-inch margins: 72.6 characters by 64.2 lines upright.
  const Paper a4{595.28, 841.89, 36};
  EXPECT_EQ(pageGrid(a4, {false, 10, 6}).columns, 71);
  EXPECT_EQ(pageGrid(a4, {false, 10, 6}).lines, 63);
  EXPECT_EQ(pageGrid(a4, {true, 10, 6}).columns, 105);
  EXPECT_EQ(pageGrid(a4, {true, 10, 6}).lines, 42);
  EXPECT_EQ(pageGrid(a4, {true, 15, 8}).columns, 159);
  EXPECT_EQ(pageGrid(kSmallPaper, {false, 10, 6}).columns, 44);
  EXPECT_EQ(pageGrid(kSmallPaper, {false, 10, 6}).lines, 17);
}

TEST(LayOutPages, ANarrowTableStandsUprightInColumnsUnderItsCaptions) {
  PrintedTable table{{"ID", "Name", "Price"}, {{"1", "Tea", "3.50"}, {"22", "Coffee beans", "12.00"}}};
  const PrintedPages printed = layOutPages(table, "Products", kSmallPaper);
  EXPECT_FALSE(printed.setup.landscape);
  EXPECT_EQ(printed.setup.charactersPerInch, 10);
  EXPECT_EQ(printed.pages, 1);
  const std::vector<std::string> lines = linesOf(printed.text);
  ASSERT_EQ(int(lines.size()), pageGrid(kSmallPaper, printed.setup).lines);
  EXPECT_EQ(lines[0], "Products");
  EXPECT_EQ(lines[1], "");
  // Numbers stand right, texts left, two blanks between columns.
  EXPECT_EQ(lines[2], "ID  Name          Price");
  EXPECT_EQ(lines[3], "--  ------------  -----");
  EXPECT_EQ(lines[4], " 1  Tea            3.50");
  EXPECT_EQ(lines[5], "22  Coffee beans  12.00");
  EXPECT_EQ(lines.back(), std::string(44 - 11, ' ') + "Page 1 of 1");
  EXPECT_EQ(printed.text.find('\f'), std::string::npos);
}

TEST(LayOutPages, EveryPageRepeatsTheCaptionsAndNumbersItselfAndRowsStayWhole) {
  PrintedTable table{{"N", "Text"}, {}};
  for (int n = 1; n <= 30; ++n) {
    // Every third row runs over two lines.
    table.rows.push_back({std::to_string(n), n % 3 == 0 ? "first\r\nsecond" : "row " + std::to_string(n)});
  }
  const PrintedPages printed = layOutPages(table, "Numbers", kSmallPaper);
  const std::vector<std::string> pages = pagesOf(printed.text);
  ASSERT_EQ(int(pages.size()), printed.pages);
  ASSERT_GT(printed.pages, 2);
  int rowsSeen = 0;
  for (size_t p = 0; p < pages.size(); ++p) {
    const std::vector<std::string> lines = linesOf(pages[p]);
    EXPECT_EQ(int(lines.size()), pageGrid(kSmallPaper, printed.setup).lines) << "page " << p + 1;
    EXPECT_EQ(lines[0], "Numbers");
    EXPECT_EQ(lines[2], " N  Text");
    EXPECT_EQ(lines[3], "--  ------");
    EXPECT_NE(lines[4].find_first_not_of(' '), std::string::npos) << "a page that starts empty";
    EXPECT_NE(lines[4], "    second") << "a row split at page " << p + 1;
    const std::string number = "Page " + std::to_string(p + 1) + " of " + std::to_string(pages.size());
    EXPECT_EQ(lines.back().substr(lines.back().find_first_not_of(' ')), number);
    for (const std::string& line : lines) {
      if (line.find("row ") != std::string::npos || line.find("first") != std::string::npos) ++rowsSeen;
    }
  }
  EXPECT_EQ(rowsSeen, 30);
}

TEST(LayOutPages, WideTextsWrapInsideTheirColumnWhileNarrowColumnsKeepTheirWidth) {
  const std::string note = "The quick brown fox jumps over the lazy dog, and keeps running far away from here.";
  PrintedTable table{{"ID", "Date", "Note"},
                     {{"7", "2024-03-01", note + " " + note},
                      {"8", "2024-03-02", "Pneumonoultramicroscopicsilicovolcanoconiosis-and-then-some"}}};
  const Paper a4{595.28, 841.89, 36};
  const PrintedPages printed = layOutPages(table, "Notes", a4);
  EXPECT_FALSE(printed.setup.landscape);  // a column wants forty characters at most
  const std::vector<std::string> lines = linesOf(printed.text);
  // 71 characters: ID 2, Date 10, and the note the remaining 55.
  EXPECT_EQ(lines[3], "--  ----------  " + std::string(55, '-'));
  EXPECT_EQ(lines[4], " 7  2024-03-01  The quick brown fox jumps over the lazy dog, and keeps");
  EXPECT_EQ(lines[5], "                running far away from here. The quick brown fox jumps");
  EXPECT_EQ(lines[6], "                over the lazy dog, and keeps running far away from");
  EXPECT_EQ(lines[7], "                here.");
  // A word wider than its column is cut.
  EXPECT_EQ(lines[8], " 8  2024-03-02  Pneumonoultramicroscopicsilicovolcanoconiosis-and-then-");
  EXPECT_EQ(lines[9], "                some");
  for (const std::string& line : lines) EXPECT_LE(printedWidth(line), 71u) << line;
}

TEST(LayOutPages, WideTablesTurnThePaperAndTablesTooWideForItPrintInBandsOfColumns) {
  const auto tableOf = [](int columns, int width) {
    std::vector<std::string> captions;
    std::vector<std::string> row;
    for (int k = 0; k < columns; ++k) {
      captions.push_back("C" + std::to_string(k));
      row.push_back(std::string(size_t(width), char('a' + k % 26)));
    }
    return PrintedTable(captions, {row});
  };
  const Paper a4{595.28, 841.89, 36};
  EXPECT_FALSE(layOutPages(tableOf(7, 8), "T", a4).setup.landscape);  // 68 of 71
  const PrintedPages turned = layOutPages(tableOf(10, 8), "T", a4);   // 98
  EXPECT_TRUE(turned.setup.landscape);
  EXPECT_EQ(turned.setup.charactersPerInch, 10);
  EXPECT_EQ(layOutPages(tableOf(12, 8), "T", a4).setup.charactersPerInch, 12);  // 118
  EXPECT_EQ(layOutPages(tableOf(15, 8), "T", a4).setup.charactersPerInch, 15);  // 148

  // Forty columns of eight take 398 characters: three bands of 159.
  const PrintedPages bands = layOutPages(tableOf(40, 8), "T", a4);
  EXPECT_EQ(bands.setup.charactersPerInch, 15);
  ASSERT_EQ(bands.pages, 3);
  const std::vector<std::string> pages = pagesOf(bands.text);
  EXPECT_EQ(linesOf(pages[0])[2].substr(0, 2), "C0");
  EXPECT_EQ(linesOf(pages[1])[2].substr(0, 3), "C16");
  EXPECT_EQ(linesOf(pages[2])[2].substr(0, 3), "C32");
  for (const std::string& page : pages) {
    for (const std::string& line : linesOf(page)) EXPECT_LE(line.size(), 159u);
  }
}

TEST(LayOutPages, ATallRowRunsOnToTheNextPage) {
  std::string tall;
  for (int n = 1; n <= 20; ++n) tall += "line " + std::to_string(n) + "\r\n";
  // 21 lines (the last one empty), 11 to a page.
  const PrintedPages printed = layOutPages(PrintedTable({"Memo"}, {{tall}}), "Tall", kSmallPaper);
  EXPECT_EQ(printed.pages, 2);
  const std::string all = printed.text;
  for (int n = 1; n <= 20; ++n) EXPECT_NE(all.find("line " + std::to_string(n) + "\n"), std::string::npos) << n;
}

TEST(LayOutPages, CharactersCountAsTheTextFilterDrawsThem) {
  EXPECT_EQ(printedWidth("abc"), 3u);
  EXPECT_EQ(printedWidth("Größe"), 5u);
  EXPECT_EQ(printedWidth("日本語"), 6u);   // ideographs take two cells
  EXPECT_EQ(printedWidth("ab\r\nc"), 2u);  // the widest line

  PrintedTable table{{"Name", "N"}, {{"日本", "1"}, {"tab\there\x01", "2"}, {"\xF0\x9F\x98\x80 \xFF", "3"}}};
  const std::vector<std::string> lines = linesOf(layOutPages(table, "Zeichen", kSmallPaper).text);
  EXPECT_EQ(lines[2], "Name      N");
  EXPECT_EQ(lines[4], "日本      1");
  // Controls print as blanks; what the filter cannot draw as "?".
  EXPECT_EQ(lines[5], "tab here  2");
  EXPECT_EQ(lines[6], "? ?       3");
}

TEST(LayOutPages, AnEmptyTablePrintsItsCaptionsOnOnePage) {
  const PrintedPages printed = layOutPages(PrintedTable({"ID", "Name"}, {}), "Nothing", kSmallPaper);
  EXPECT_EQ(printed.pages, 1);
  const std::vector<std::string> lines = linesOf(printed.text);
  EXPECT_EQ(lines[2], "ID  Name");
  EXPECT_EQ(lines[3], "--  ----");
  EXPECT_EQ(lines[4], "");
}

}  // namespace
}  // namespace ledgerfen::pdf
