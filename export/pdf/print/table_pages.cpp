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

std::string toUtf8(const Line& line) {
  std::string out;
  out.reserve(line.size());
  for (char32_t c : line) appendUtf8(out, c);
  return out;
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

struct Column {
  Block caption;
  std::vector<Block> cells;  // one per row
  size_t natural = 1;
  bool numeric = false;
};

std::vector<Column> columnsOf(const PrintedTable& table) {
  std::vector<Column> columns(table.captions.size());
  for (size_t k = 0; k < columns.size(); ++k) {
    Column& column = columns[k];
    column.caption = linesOf(table.captions[k]);
    bool anyNumber = false;
    bool allNumbers = true;
    column.cells.reserve(table.rows.size());
    for (const auto& row : table.rows) {
      column.cells.push_back(linesOf(k < row.size() ? row[k] : std::string_view()));
      const Block& cell = column.cells.back();
      if (isEmpty(cell)) continue;
      const bool number = looksNumeric(cell);
      anyNumber = anyNumber || number;
      allNumbers = allNumbers && number;
    }
    column.numeric = anyNumber && allNumbers;
    for (const Line& line : column.caption) column.natural = std::max(column.natural, widthOf(line));
    for (const Block& cell : column.cells) {
      for (const Line& line : cell) column.natural = std::max(column.natural, widthOf(line));
    }
  }
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

struct Page {
  size_t head = 0;  // the captions and the rule of its band, in heads
  Block rows;
};

// The pages of one band: rows kept whole unless taller than a page.
void paginate(const std::vector<Column>& columns, const std::vector<size_t>& band, size_t lineWidth, int pageLines,
              std::vector<Block>& heads, std::vector<Page>& pages) {
  std::vector<size_t> natural;
  for (size_t k : band) natural.push_back(columns[k].natural);
  const std::vector<size_t> widths = fitWidths(natural, lineWidth - kColumnGap * (band.size() - 1));
  std::vector<bool> rightAligned;
  for (size_t k : band) rightAligned.push_back(columns[k].numeric);

  std::vector<Block> blocks(band.size());
  for (size_t i = 0; i < band.size(); ++i) blocks[i] = wrapBlock(columns[band[i]].caption, widths[i]);
  Block head = sideBySide(blocks, widths, rightAligned);
  Line rule;
  for (size_t i = 0; i < band.size(); ++i) {
    if (i > 0) rule.append(kColumnGap, U' ');
    rule.append(widths[i], U'-');
  }
  head.push_back(std::move(rule));
  const int headLines = int(head.size());
  heads.push_back(std::move(head));
  const size_t pageHead = heads.size() - 1;

  const size_t capacity = size_t(std::max(1, pageLines - kLinesAboveCaptions - headLines - kLinesBelowRows));
  pages.push_back(Page{pageHead, {}});
  const size_t rows = columns.empty() ? 0 : columns[band[0]].cells.size();
  for (size_t r = 0; r < rows; ++r) {
    for (size_t i = 0; i < band.size(); ++i) blocks[i] = wrapBlock(columns[band[i]].cells[r], widths[i]);
    Block lines = sideBySide(blocks, widths, rightAligned);
    const bool fitsAPage = lines.size() <= capacity;
    if (fitsAPage && pages.back().rows.size() + lines.size() > capacity) pages.push_back(Page{pageHead, {}});
    for (Line& line : lines) {
      if (pages.back().rows.size() == capacity) pages.push_back(Page{pageHead, {}});
      pages.back().rows.push_back(std::move(line));
    }
  }
}

}  // namespace

PrintedTable readExportedText(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0;;) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();

  PrintedTable table;
  if (lines.empty()) return table;
  const auto fieldsOf = [](std::string_view record) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
      const size_t tab = record.find('\t', start);
      fields.emplace_back(record.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    // The TAB after the last field leaves an empty one behind it.
    if (fields.size() > 1 && fields.back().empty() && !record.empty() && record.back() == '\t') fields.pop_back();
    return fields;
  };
  table.captions = fieldsOf(lines[0]);
  const size_t columns = table.captions.size();
  const bool tabAfterEachField = lines[0].ends_with('\t');
  const size_t tabsPerRow = tabAfterEachField ? columns : columns - 1;

  for (size_t n = 1; n < lines.size();) {
    std::string record(lines[n++]);
    while (size_t(std::count(record.begin(), record.end(), '\t')) < tabsPerRow && n < lines.size()) {
      record.append("\r\n").append(lines[n++]);
    }
    std::vector<std::string> fields = fieldsOf(record);
    if (fields.size() > columns) {
      for (size_t k = columns; k < fields.size(); ++k) fields[columns - 1].append("\t").append(fields[k]);
      fields.resize(columns);
    }
    fields.resize(columns);
    table.rows.push_back(std::move(fields));
  }
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

PrintedPages layOutPages(const PrintedTable& table, std::string_view title, const Paper& paper) {
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

  std::vector<Block> heads;
  std::vector<Page> pages;
  if (columns.empty()) {
    heads.emplace_back();
    pages.push_back(Page{0, {}});
  } else {
    std::vector<size_t> natural;
    for (const Column& column : columns) natural.push_back(column.natural);
    for (const std::vector<size_t>& band : bandsOf(natural, lineWidth)) {
      paginate(columns, band, lineWidth, grid.lines, heads, pages);
    }
  }

  Line titleLine = wrapLine(linesOf(title).front(), lineWidth).front();
  printed.pages = int(pages.size());
  for (size_t p = 0; p < pages.size(); ++p) {
    Block lines;
    lines.push_back(titleLine);
    lines.emplace_back();
    lines.insert(lines.end(), heads[pages[p].head].begin(), heads[pages[p].head].end());
    lines.insert(lines.end(), pages[p].rows.begin(), pages[p].rows.end());
    std::string number = "Page " + std::to_string(p + 1) + " of " + std::to_string(pages.size());
    // The page number on the page's last line.
    while (int(lines.size()) < grid.lines - 1) lines.emplace_back();
    Line footer(lineWidth - std::min(lineWidth, number.size()), U' ');
    for (char c : number) footer += char32_t(c);
    lines.push_back(std::move(footer));

    if (p > 0) printed.text += '\f';
    for (const Line& line : lines) printed.text.append(toUtf8(line)).append("\n");
  }
  return printed;
}

}  // namespace ledgerfen::pdf
