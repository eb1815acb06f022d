#include "ledgerfen/pdf/table_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace ledgerfen::pdf {
namespace {

using Line = std::u32string;
// A cell or a caption as printed: its lines, wrapped to the column.
using Block = std::vector<Line>;

constexpr size_t kColumnGap = 2;
// A wrapped column is never made narrower than this (or its widest text).
constexpr size_t kNarrowestColumn = 8;
// A column wider than this wraps rather than turning the paper.
constexpr size_t kWidestWanted = 40;
// The title and an empty line above the captions; an empty line and the
// page number below the rows.
constexpr int kLinesAboveCaptions = 2;
constexpr int kLinesBelowRows = 2;

constexpr char32_t kReplacement = U'?';

// The code point at `i` of UTF-8 text, advancing `i`; kReplacement for
// bytes that are no character (a stray byte, a surrogate, an overlong form).
char32_t nextCharacter(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t lead = byte(i);
  const size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : (lead & 0xF0) == 0xE0        ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
  if (length == 0 || i + length > s.size()) {
    ++i;
    return kReplacement;
  }
  char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return kReplacement;
  return c;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    // Nothing above U+FFFF reaches the page (printable() replaced it).
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

size_t widthOf(char32_t c) {
  return c >= 0x3000 && c <= 0x9FFF ? 2 : 1;
}

size_t widthOf(const Line& line) {
  size_t width = 0;
  for (char32_t c : line) width += widthOf(c);
  return width;
}

// What the text filter can draw in place of the character.
char32_t printable(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return U' ';
  if (c > 0xFFFF) return kReplacement;
  return c;
}

void trimRight(Line& line) {
  while (!line.empty() && line.back() == U' ') line.pop_back();
}

// The text's lines (a line break is CR LF, LF or CR), each made printable
// and without the blanks at its end, which nobody would see.
Block linesOf(std::string_view text) {
  Block lines(1);
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      i += text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
      trimRight(lines.back());
      lines.emplace_back();
      continue;
    }
    lines.back() += printable(nextCharacter(text, i));
  }
  trimRight(lines.back());
  return lines;
}

// One line cut into pieces no wider than `width`: at the last blank that
// lets the piece fit, else (a word wider than the column) at the width.
Block wrapLine(Line line, size_t width) {
  Block pieces;
  while (widthOf(line) > width) {
    size_t cut = 0;
    for (size_t used = 0; cut < line.size() && used + widthOf(line[cut]) <= width; ++cut) used += widthOf(line[cut]);
    cut = std::max<size_t>(cut, 1);
    size_t blank = cut < line.size() && line[cut] == U' ' ? cut : line.find_last_of(U' ', cut - 1);
    if (blank == Line::npos || blank == 0) {
      pieces.push_back(line.substr(0, cut));
      line.erase(0, cut);
      continue;
    }
    Line piece = line.substr(0, blank);
    trimRight(piece);
    pieces.push_back(std::move(piece));
    const size_t rest = line.find_first_not_of(U' ', blank);
    line.erase(0, rest == Line::npos ? line.size() : rest);
  }
  pieces.push_back(std::move(line));
  return pieces;
}

Block wrapBlock(const Block& block, size_t width) {
  Block wrapped;
  for (const Line& line : block) {
    for (Line& piece : wrapLine(line, width)) wrapped.push_back(std::move(piece));
  }
  return wrapped;
}

// A number as the grid shows one: "-12", "3.50", "1e+20".
bool looksNumeric(const Block& cell) {
  if (cell.size() != 1 || cell[0].empty()) return false;
  const Line& t = cell[0];
  size_t i = t[0] == U'-' ? 1 : 0;
  const auto digits = [&] {
    const size_t start = i;
    while (i < t.size() && t[i] >= U'0' && t[i] <= U'9') ++i;
    return i > start;
  };
  if (!digits()) return false;
  if (i < t.size() && t[i] == U'.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < t.size() && (t[i] == U'e' || t[i] == U'E')) {
    ++i;
    if (i < t.size() && (t[i] == U'+' || t[i] == U'-')) ++i;
    if (!digits()) return false;
  }
  return i == t.size();
}

bool isEmpty(const Block& cell) {
  return cell.size() == 1 && cell[0].empty();
}

// Widths for columns of the given natural widths within `budget` cells:
// the natural widths when they fit; otherwise every column narrower than
// an equal share of what is left keeps its width, and the others share
// the rest equally (the leftmost taking what does not divide).
std::vector<size_t> fitWidths(const std::vector<size_t>& natural, size_t budget) {
  if (std::accumulate(natural.begin(), natural.end(), size_t{0}) <= budget) return natural;
  std::vector<size_t> widths(natural.size(), 0);
  std::vector<size_t> open(natural.size());
  std::iota(open.begin(), open.end(), size_t{0});
  size_t left = budget;
  for (bool settled = true; settled && !open.empty();) {
    settled = false;
    const size_t share = left / open.size();
    for (auto it = open.begin(); it != open.end();) {
      if (natural[*it] <= share) {
        widths[*it] = natural[*it];
        left -= natural[*it];
        it = open.erase(it);
        settled = true;
      } else {
        ++it;
      }
    }
  }
  if (open.empty()) return widths;
  const size_t share = left / open.size();
  size_t extra = left % open.size();
  for (size_t k : open) {
    widths[k] = std::max<size_t>(1, share + (extra > 0 ? 1 : 0));
    if (extra > 0) --extra;
  }
  return widths;
}

// Columns in bands that each fit on a line when their columns are as
// narrow as a wrapped column gets.
std::vector<std::vector<size_t>> bandsOf(const std::vector<size_t>& natural, size_t lineWidth) {
  std::vector<std::vector<size_t>> bands(1);
  size_t used = 0;
  for (size_t k = 0; k < natural.size(); ++k) {
    const size_t narrowest = std::min({natural[k], kNarrowestColumn, lineWidth});
    const size_t needed = bands.back().empty() ? narrowest : used + kColumnGap + narrowest;
    if (!bands.back().empty() && needed > lineWidth) {
      bands.emplace_back();
      used = narrowest;
    } else {
      used = needed;
    }
    bands.back().push_back(k);
  }
  return bands;
}

// What the layout knows of a column before it lays out a row: its widest
// line and whether all its texts are numbers.
struct Column {
  Block caption;
  size_t natural = 1;
  bool anyNumber = false;
  bool allNumbers = true;
  bool numeric() const { return anyNumber && allNumbers; }
};

std::vector<Column> columnsOf(const TableRows& table) {
  std::vector<Column> columns(table.captions().size());
  for (size_t k = 0; k < columns.size(); ++k) {
    columns[k].caption = linesOf(table.captions()[k]);
    for (const Line& line : columns[k].caption) columns[k].natural = std::max(columns[k].natural, widthOf(line));
  }
  table.forEachRow([&](const std::vector<std::string_view>& cells) {
    for (size_t k = 0; k < columns.size() && k < cells.size(); ++k) {
      const Block cell = linesOf(cells[k]);
      for (const Line& line : cell) columns[k].natural = std::max(columns[k].natural, widthOf(line));
      if (isEmpty(cell)) continue;
      const bool number = looksNumeric(cell);
      columns[k].anyNumber = columns[k].anyNumber || number;
      columns[k].allNumbers = columns[k].allNumbers && number;
    }
  });
  return columns;
}

// The lines of one row of blocks side by side, each padded to its column.
Block sideBySide(const std::vector<Block>& blocks, const std::vector<size_t>& widths,
                 const std::vector<bool>& rightAligned) {
  size_t height = 1;
  for (const Block& block : blocks) height = std::max(height, block.size());
  Block lines(height);
  for (size_t n = 0; n < height; ++n) {
    Line& line = lines[n];
    for (size_t k = 0; k < blocks.size(); ++k) {
      if (k > 0) line.append(kColumnGap, U' ');
      const Line piece = n < blocks[k].size() ? blocks[k][n] : Line();
      const size_t padding = widths[k] - std::min(widths[k], widthOf(piece));
      if (rightAligned[k]) line.append(padding, U' ');
      line += piece;
      if (!rightAligned[k]) line.append(padding, U' ');
    }
    trimRight(line);
  }
  return lines;
}

// Writes the pages as they fill, straight into their text. The page
// numbers are written last, into lines kept blank for them, once the
// number of pages is known.
class PageWriter {
 public:
  PageWriter(std::string& text, std::string_view title, const PageGrid& grid)
      : text_(text), grid_(grid), title_(wrapLine(linesOf(title).front(), size_t(grid.columns)).front()) {}

  // The captions and rule that head the pages from the next one on, and how
  // many rows fit under them.
  void startBand(Block head) {
    if (pageOpen_) closePage();
    head_ = std::move(head);
    capacity_ = size_t(std::max(1, grid_.lines - kLinesAboveCaptions - int(head_.size()) - kLinesBelowRows));
  }

  // One row's lines: on a page of their own when they do not fit on this
  // one but would on the next, else running on from page to page.
  void addRow(Block lines) {
    if (!pageOpen_) openPage();
    if (lines.size() <= capacity_ && used_ + lines.size() > capacity_ && used_ > 0) {
      closePage();
      openPage();
    }
    for (const Line& line : lines) {
      if (used_ == capacity_) {
        closePage();
        openPage();
      }
      writeLine(line);
      ++used_;
    }
  }

  // Ends the last page and numbers them all; the number of pages.
  int finish() {
    if (!pageOpen_) openPage();
    closePage();
    const std::string total = std::to_string(footers_.size());
    for (size_t p = 0; p < footers_.size(); ++p) {
      std::string number = "Page " + std::to_string(p + 1) + " of " + total;
      number = number.substr(0, std::min(number.size(), size_t(grid_.columns)));
      text_.replace(footers_[p] + size_t(grid_.columns) - number.size(), number.size(), number);
    }
    return int(footers_.size());
  }

 private:
  void writeLine(const Line& line) {
    for (char32_t c : line) appendUtf8(text_, c);
    text_ += '\n';
    ++lines_;
  }

  void openPage() {
    if (!footers_.empty()) text_ += '\f';
    lines_ = 0;
    used_ = 0;
    writeLine(title_);
    writeLine(Line());
    for (const Line& line : head_) writeLine(line);
    pageOpen_ = true;
  }

  // Blank lines down to the last line, which the page number takes.
  void closePage() {
    while (lines_ < grid_.lines - 1) writeLine(Line());
    footers_.push_back(text_.size());
    text_.append(size_t(grid_.columns), ' ').append("\n");
    pageOpen_ = false;
  }

  std::string& text_;
  PageGrid grid_;
  Line title_;
  Block head_;
  size_t capacity_ = 1;
  size_t used_ = 0;  // rows' lines on the open page
  int lines_ = 0;    // lines on the open page
  bool pageOpen_ = false;
  std::vector<size_t> footers_;  // where each page's number line starts
};

// One band of columns, all rows, under its captions.
void writeBand(const TableRows& table, const std::vector<Column>& columns, const std::vector<size_t>& band,
               size_t lineWidth, PageWriter& pages) {
  std::vector<size_t> natural;
  std::vector<bool> rightAligned;
  for (size_t k : band) {
    natural.push_back(columns[k].natural);
    rightAligned.push_back(columns[k].numeric());
  }
  const std::vector<size_t> widths = fitWidths(natural, lineWidth - kColumnGap * (band.size() - 1));

  std::vector<Block> blocks(band.size());
  for (size_t i = 0; i < band.size(); ++i) blocks[i] = wrapBlock(columns[band[i]].caption, widths[i]);
  Block head = sideBySide(blocks, widths, rightAligned);
  Line rule;
  for (size_t i = 0; i < band.size(); ++i) {
    if (i > 0) rule.append(kColumnGap, U' ');
    rule.append(widths[i], U'-');
  }
  head.push_back(std::move(rule));
  pages.startBand(std::move(head));

  table.forEachRow([&](const std::vector<std::string_view>& cells) {
    for (size_t i = 0; i < band.size(); ++i) {
      blocks[i] = wrapBlock(linesOf(band[i] < cells.size() ? cells[band[i]] : std::string_view()), widths[i]);
    }
    pages.addRow(sideBySide(blocks, widths, rightAligned));
  });
}

}  // namespace

namespace {

// The fields of one record; the TAB after the last field leaves no field
// behind it, and extra TABs join the rest into the last field.
void fieldsOf(std::string_view record, bool tabAfterEachField, size_t columns, std::vector<std::string_view>& fields) {
  fields.clear();
  if (tabAfterEachField && record.ends_with('\t')) record.remove_suffix(1);
  for (size_t start = 0;;) {
    const size_t tab = record.find('\t', start);
    if (tab == std::string_view::npos || (columns > 0 && fields.size() + 1 == columns)) {
      fields.push_back(record.substr(start));
      break;
    }
    fields.push_back(record.substr(start, tab - start));
    start = tab + 1;
  }
}

}  // namespace

ExportedText::ExportedText(std::string_view text) : text_(text) {
  // Empty lines at the end are the file's closing line break.
  while (text_.ends_with("\r\n")) text_.remove_suffix(2);
  if (text_.empty()) return;
  const size_t end = text_.find("\r\n");
  const std::string_view header = text_.substr(0, end);
  tabAfterEachField_ = header.ends_with('\t');
  std::vector<std::string_view> captions;
  fieldsOf(header, tabAfterEachField_, 0, captions);
  captions_.assign(captions.begin(), captions.end());
  rowsStart_ = end == std::string_view::npos ? text_.size() : end + 2;
}

void ExportedText::forEachRow(const RowVisitor& visit) const {
  const size_t tabsPerRow = tabAfterEachField_ ? captions_.size() : captions_.size() - 1;
  std::vector<std::string_view> fields;
  size_t at = rowsStart_;
  while (at < text_.size()) {
    // A record runs on over line breaks until it has a TAB per column.
    size_t end = at;
    size_t tabs = 0;
    for (;;) {
      size_t lineEnd = text_.find("\r\n", end);
      if (lineEnd == std::string_view::npos) lineEnd = text_.size();
      const std::string_view line = text_.substr(end, lineEnd - end);
      tabs += size_t(std::count(line.begin(), line.end(), '\t'));
      end = lineEnd;
      if (tabs >= tabsPerRow || end == text_.size()) break;
      end += 2;
    }
    fieldsOf(text_.substr(at, end - at), tabAfterEachField_, captions_.size(), fields);
    fields.resize(captions_.size());
    visit(fields);
    at = end + 2;
  }
}

void PrintedTable::forEachRow(const RowVisitor& visit) const {
  std::vector<std::string_view> cells;
  for (const std::vector<std::string>& row : rows) {
    cells.assign(row.begin(), row.end());
    cells.resize(captions_.size());
    visit(cells);
  }
}

PrintedTable readExportedText(std::string_view text) {
  const ExportedText exported(text);
  PrintedTable table;
  table.captions_ = exported.captions();
  exported.forEachRow(
      [&](const std::vector<std::string_view>& cells) { table.rows.emplace_back(cells.begin(), cells.end()); });
  return table;
}

PageGrid pageGrid(const Paper& paper, const PageSetup& setup) {
  const double across = (setup.landscape ? paper.length : paper.width) - 2 * paper.margin;
  const double down = (setup.landscape ? paper.width : paper.length) - 2 * paper.margin;
  return PageGrid{std::max(1, int(std::floor(across / 72.0 * setup.charactersPerInch)) - 1),
                  std::max(1, int(std::floor(down / 72.0 * setup.linesPerInch)) - 1)};
}

size_t printedWidth(std::string_view text) {
  size_t width = 0;
  for (const Line& line : linesOf(text)) width = std::max(width, widthOf(line));
  return width;
}

PrintedPages layOutPages(const TableRows& table, std::string_view title, const Paper& paper) {
  const std::vector<Column> columns = columnsOf(table);

  size_t wanted = columns.empty() ? 0 : kColumnGap * (columns.size() - 1);
  for (const Column& column : columns) wanted += std::min(column.natural, kWidestWanted);
  PrintedPages printed;
  printed.setup = kPageSetups.back();
  for (const PageSetup& setup : kPageSetups) {
    if (wanted <= size_t(pageGrid(paper, setup).columns)) {
      printed.setup = setup;
      break;
    }
  }
  const PageGrid grid = pageGrid(paper, printed.setup);
  const size_t lineWidth = size_t(grid.columns);

  PageWriter pages(printed.text, title, grid);
  if (!columns.empty()) {
    std::vector<size_t> natural;
    for (const Column& column : columns) natural.push_back(column.natural);
    for (const std::vector<size_t>& band : bandsOf(natural, lineWidth)) {
      writeBand(table, columns, band, lineWidth, pages);
    }
  }
  printed.pages = pages.finish();
  return printed;
}

}  // namespace ledgerfen::pdf
