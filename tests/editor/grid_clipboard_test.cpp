// Cells on the clipboard: what the grid writes reads back cell for cell,
// and text as spreadsheets put it there (quoted cells, line ends of either
// kind, ragged rows) reads as they meant it.
#include "ledgerfen/editor/grid_clipboard.h"

#include <gtest/gtest.h>

namespace ledgerfen::editor {
namespace {

TEST(GridClipboard, WrittenCellsReadBackWhateverTheyHold) {
  const CellBlock cells = {{"plain", "", "tab\there"},
                           {"line\nbreak", "\"quoted\" start", "inner \"quote\""},
                           {"crlf\r\nend", "trailing space ", "\"\""}};
  const QString text = cellsAsText(cells);
  EXPECT_EQ(text.section("\r\n", 0, 0), QString("plain\t\t\"tab\there\""));
  EXPECT_EQ(cellsFromText(text), cells);
}

TEST(GridClipboard, ReadsWhatSpreadsheetsPutThere) {
  EXPECT_EQ(cellsFromText("a\tb\nc\td\n"), (CellBlock{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(cellsFromText("a\tb\rc\td"), (CellBlock{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(cellsFromText("one"), (CellBlock{{"one"}}));
  EXPECT_EQ(cellsFromText("a\t\n\tb\n"), (CellBlock{{"a", ""}, {"", "b"}}));
  // Shorter rows are filled with empty cells; a quote inside a cell is text.
  EXPECT_EQ(cellsFromText("a\tb\tc\nd\n"), (CellBlock{{"a", "b", "c"}, {"d", "", ""}}));
  EXPECT_EQ(cellsFromText("5\" disk\tx"), (CellBlock{{"5\" disk", "x"}}));
  EXPECT_TRUE(cellsFromText("").empty());
  EXPECT_TRUE(cellsFromText("\n").size() == 1);
}

TEST(GridClipboard, HtmlIsATableOfTheEscapedCells) {
  const QString html = cellsAsHtml({{"<b>&", "two\nlines"}});
  EXPECT_TRUE(html.contains("<table><tr><td>&lt;b&gt;&amp;</td><td>two<br>lines</td></tr></table>"));
}

}  // namespace
}  // namespace ledgerfen::editor
