// The table as ledgerfen-print prints it: the TXT export's text read back
// into captions and rows, and laid out as monospaced text in pages for the
// CUPS text filter, which draws each character in a fixed cell (so the PDF
// keeps searchable text) and starts a new page at each form feed.
//
// Every page holds, in this order: the title (the table's name), an empty
// line, the captions and a rule of dashes under them, the rows, and on its
// last line "Page N of M" at the right. Columns are as wide as their widest
// text when the line allows it; otherwise the narrow ones keep their width
// and the wide ones share the rest, their texts wrapped at blanks (or inside
// a word that is wider than the column). A row is never split over two pages
// unless it is taller than a page. Columns whose texts are all numbers are
// aligned right. A table too wide for a page even with narrow columns is
// printed in bands of columns: all rows of the first band, then all rows of
// the next, each page with the captions of its band.
//
// Wide tables turn the paper: the first page setup of kPageSetups that
// takes the table's columns is used (portrait at 10 characters an inch, then
// landscape at 10, 12 and 15), a column counting with forty characters at
// most, since wider ones wrap.
//
// Characters count as the text filter places them: one cell each, two for
// the ideographs and CJK symbols (U+3000 to U+9FFF). Control characters
// print as blanks, and characters beyond U+FFFF (which the filter cannot
// draw) and bytes that are no UTF-8 as "?".
//
// Functions over values, which keep nothing; thread-safe.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerfen::pdf {

// The rows of a table, which the layout reads twice: for the widths of the
// columns, then to lay the rows out.
class TableRows {
 public:
  using RowVisitor = std::function<void(const std::vector<std::string_view>& cells)>;

  virtual ~TableRows() = default;
  virtual const std::vector<std::string>& captions() const = 0;
  // Calls `visit` with each row's cells, as many as there are captions,
  // in order.
  virtual void forEachRow(const RowVisitor& visit) const = 0;
};

// The TXT export's text (UTF-8) as a table, read in place: lines end in
// CR LF, every field, the last too, is followed by a TAB, and the first line
// holds the captions. A cell that holds a line break itself makes its row
// run over several lines; the row goes on until it has a TAB for every
// column. Extra TABs (a cell that holds one) join the rest of the line into
// the last cell. Empty lines at the end are the file's closing line break.
// The text must outlive it.
class ExportedText final : public TableRows {
 public:
  explicit ExportedText(std::string_view text);
  const std::vector<std::string>& captions() const override { return captions_; }
  void forEachRow(const RowVisitor& visit) const override;

 private:
  std::string_view text_;
  std::vector<std::string> captions_;
  bool tabAfterEachField_ = true;
  size_t rowsStart_ = 0;
};

// A table held in memory.
struct PrintedTable final : public TableRows {
  PrintedTable() = default;
  PrintedTable(std::vector<std::string> captions, std::vector<std::vector<std::string>> rows)
      : rows(std::move(rows)), captions_(std::move(captions)) {}

  const std::vector<std::string>& captions() const override { return captions_; }
  void forEachRow(const RowVisitor& visit) const override;

  std::vector<std::vector<std::string>> rows;

 private:
  friend PrintedTable readExportedText(std::string_view text);
  std::vector<std::string> captions_;
};

// The rows of ExportedText, copied.
PrintedTable readExportedText(std::string_view text);

// Paper as the printer uses it, in points (1/72 inch), portrait.
struct Paper {
  double width = 595.0;  // A4
  double length = 842.0;
  double margin = 36.0;  // on every side
};

struct PageSetup {
  bool landscape = false;
  double charactersPerInch = 10;
  double linesPerInch = 6;
};

inline constexpr std::array<PageSetup, 4> kPageSetups = {PageSetup{false, 10, 6}, PageSetup{true, 10, 6},
                                                         PageSetup{true, 12, 7}, PageSetup{true, 15, 8}};

// How many characters fit on a line and how many lines on a page: what the
// text filter computes for the paper, the margins and the setup, less one
// of each, so that rounding in the filter can never break a line or a page
// where the layout did not.
struct PageGrid {
  int columns = 0;
  int lines = 0;
};
PageGrid pageGrid(const Paper& paper, const PageSetup& setup);

// The cells a text takes on a printed line (see above).
size_t printedWidth(std::string_view text);

struct PrintedPages {
  PageSetup setup;
  int pages = 0;
  // The pages, each line ended by LF, a form feed between pages.
  std::string text;
};

// The pages of the table. The rows are laid out as they are read, straight
// into the text, so that a table of a million rows takes little more memory
// than its text.
PrintedPages layOutPages(const TableRows& table, std::string_view title, const Paper& paper);

}  // namespace ledgerfen::pdf
