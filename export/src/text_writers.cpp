#include "ledgerfen/export/text_writers.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace ledgerfen::exporting {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

void appendHex(std::string& out, uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

// "_xHHHH_" (or eight digits above U+FFFF) for one character.
void appendEscapedCharacter(std::string& out, uint32_t codePoint) {
  out += "_x";
  appendHex(out, codePoint, codePoint > 0xFFFF ? 8 : 4);
  out += '_';
}

// Decodes one character of UTF-8 text at `i`, advancing `i`. Surrogates
// (which the program's text may hold in their three-byte form) come back as
// themselves; a byte that starts no character comes back as U+FFFD.
uint32_t nextCodePoint(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t lead = byte(i);
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > s.size()) {
    ++i;
    return 0xFFFD;
  }
  uint32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return cp;
}

bool isNameStartChar(uint32_t c) {
  return (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xD6) ||
         (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
         (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(uint32_t c) {
  return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Whether the text at `i` reads as an escape: "_x", four or eight hex digits, "_".
bool looksLikeEscape(std::string_view s, size_t i) {
  if (s.substr(i, 2) != "_x") return false;
  for (size_t digits : {4u, 8u}) {
    if (i + 2 + digits >= s.size() || s[i + 2 + digits] != '_') continue;
    bool hex = true;
    for (size_t k = 0; k < digits; ++k) hex = hex && isHexDigit(s[i + 2 + k]);
    if (hex) return true;
  }
  return false;
}

// The bytes that go into an element's content as they are: printable
// ASCII other than "&", "<", ">" and "_", and TAB and LF.
constexpr std::array<bool, 256> kStandsForItself = [] {
  std::array<bool, 256> table{};
  for (int c = 0x20; c < 0x7F; ++c) table[size_t(c)] = c != '&' && c != '<' && c != '>' && c != '_';
  table['\t'] = table['\n'] = true;
  return table;
}();

// Cell text as the content of an element, such that an XML reader that
// also reads the _xHHHH_ escapes gets the text back exactly:
// - "&", "<" and ">" as references;
// - CR as "&#13;", since readers turn a CR in text into LF;
// - characters XML cannot hold at all (control characters other than TAB,
//   LF and CR; unpaired surrogates; U+FFFE and U+FFFF) as _xHHHH_, as no
//   reference can stand for them, and an underscore that would read as
//   such an escape as _x005F_;
// - with `asciiOnly`, every other character beyond ASCII as a reference,
//   so that the document, which declares no encoding and is therefore read
//   as UTF-8, holds only ASCII.
// A byte that starts no character stays for the encoding to replace.
void appendXmlText(std::string& out, std::string_view text, bool asciiOnly) {
  size_t i = 0;
  while (i < text.size()) {
    // Most text is a run of bytes that stand for themselves: copied whole.
    size_t run = i;
    while (run < text.size() && kStandsForItself[static_cast<uint8_t>(text[run])]) ++run;
    if (run > i) {
      out.append(text, i, run - i);
      i = run;
      continue;
    }
    const size_t start = i;
    const char c = text[i];
    switch (c) {
      case '&':
        out += "&amp;";
        ++i;
        continue;
      case '<':
        out += "&lt;";
        ++i;
        continue;
      case '>':
        out += "&gt;";
        ++i;
        continue;
      case '\r':
        out += "&#13;";
        ++i;
        continue;
      case '\t':
      case '\n':
        out += c;
        ++i;
        continue;
      default: break;
    }
    const uint32_t cp = nextCodePoint(text, i);
    const bool noCharacter = cp == 0xFFFD && text.compare(start, i - start, "\xEF\xBF\xBD") != 0;
    if (noCharacter) {
      out.append(text, start, i - start);
    } else if (cp < 0x20 || cp == 0xFFFE || cp == 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      appendEscapedCharacter(out, cp);
    } else if (cp == '_' && looksLikeEscape(text, start)) {
      appendEscapedCharacter(out, '_');
    } else if (asciiOnly && cp >= 0x80) {
      out += "&#x";
      appendHex(out, cp, cp > 0xFFFF ? 6 : 4);
      out += ';';
    } else {
      out.append(text, start, i - start);
    }
  }
}

void appendCsvField(std::string& out, std::string_view text) {
  out += '"';
  // Runs between double quotes go in whole; each quote goes in twice.
  for (size_t quote; (quote = text.find('"')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
    out.append(text.substr(0, quote + 1)).append(1, '"');
  }
  out.append(text).append(1, '"');
}

void appendTxtField(std::string& out, std::string_view text) {
  out += text;
  out += '\t';
}

// The header line of the captions, for CSV and TXT.
void appendHeader(GridReader& grid, TextFormat format, std::string& out) {
  const int columns = grid.columnCount();
  for (int k = 0; k < columns; ++k) {
    if (format == TextFormat::Csv) {
      if (k > 0) out += ',';
      appendCsvField(out, grid.columnCaption(k));
    } else {
      appendTxtField(out, grid.columnCaption(k));
    }
  }
  out += kLineEnd;
}

// Element names by column, made again only when a caption changes.
class ElementNames {
 public:
  explicit ElementNames(bool asciiOnly) : asciiOnly_(asciiOnly) {}

  const std::string& of(GridReader& grid, int column) {
    if (size_t(column) >= names_.size()) names_.resize(size_t(column) + 1);
    auto& [caption, name] = names_[size_t(column)];
    std::string current = grid.columnCaption(column);
    if (name.empty() || current != caption) {
      name = xmlElementName(current, asciiOnly_);
      caption = std::move(current);
    }
    return name;
  }
  bool asciiOnly() const { return asciiOnly_; }

 private:
  bool asciiOnly_;
  std::vector<std::pair<std::string, std::string>> names_;
};

// One line per row for CSV and TXT; the row's element for XML. The column
// count is read afresh for every row.
Status appendRow(GridReader& grid, TextFormat format, ElementNames& names, std::string& out) {
  const int columns = grid.columnCount();
  if (format == TextFormat::Xml) out.append("<row>").append(kLineEnd);
  for (int k = 0; k < columns; ++k) {
    LF_ASSIGN_OR_RETURN(const std::string cell, grid.cellText(k));
    switch (format) {
      case TextFormat::Csv:
        if (k > 0) out += ',';
        appendCsvField(out, cell);
        break;
      case TextFormat::Txt: appendTxtField(out, cell); break;
      case TextFormat::Xml: {
        const std::string& name = names.of(grid, k);
        out.append("<").append(name).append(">");
        appendXmlText(out, cell, names.asciiOnly());
        out.append("</").append(name).append(">").append(kLineEnd);
        break;
      }
    }
  }
  if (format == TextFormat::Xml) out.append("</row>");
  out += kLineEnd;
  return okStatus();
}

// The text of a file, handed to it in pieces of about kPiece bytes as it is
// made, each converted to the encoding on its way: a table of any size
// takes a fixed amount of memory. Pieces end where rows end, so no
// character is cut in two.
class PiecedText {
 public:
  PiecedText(ByteSink& file, const TextEncoding& encoding) : file_(file), encoding_(encoding) {
    bytes_.reserve(kPiece + kPiece / 4);
  }

  std::string& bytes() { return bytes_; }
  Status endOfRow() { return bytes_.size() >= kPiece ? handOver() : okStatus(); }
  // Adds the file's last CR LF and finishes the file.
  Status finish() {
    bytes_ += kLineEnd;
    LF_RETURN_IF_ERROR(handOver());
    return file_.finish();
  }

 private:
  static constexpr size_t kPiece = 256 * 1024;

  Status handOver() {
    encoding_.encode(bytes_);
    Status handed = file_.append(bytes_);
    bytes_.clear();
    return handed;
  }

  ByteSink& file_;
  const TextEncoding& encoding_;
  std::string bytes_;
};

}  // namespace

std::string xmlElementName(std::string_view caption, bool asciiOnly) {
  if (caption.empty()) return "_";
  std::string name;
  name.reserve(caption.size());
  size_t i = 0;
  bool first = true;
  while (i < caption.size()) {
    const size_t start = i;
    const uint32_t c = nextCodePoint(caption, i);
    const bool allowed =
        c != ':' && c != 0xFFFD && (!asciiOnly || c < 0x80) && (first ? isNameStartChar(c) : isNameChar(c));
    if (c == '_' && looksLikeEscape(caption, start)) {
      appendEscapedCharacter(name, '_');
    } else if (allowed) {
      name.append(caption.substr(start, i - start));
    } else {
      appendEscapedCharacter(name, c);
    }
    first = false;
  }
  return name;
}

Status writeTable(TextFormat format, GridReader& grid, ByteSink& file, const TextEncoding& encoding) {
  PiecedText text(file, encoding);
  if (format == TextFormat::Xml) {
    text.bytes().append("<xml>").append(kLineEnd);
  } else {
    appendHeader(grid, format, text.bytes());
  }
  // A code set other than UTF-8 would make a document that XML readers,
  // without a declaration, cannot read; XML goes out as ASCII then.
  ElementNames names(!encoding.isUtf8());
  const int64_t rows = grid.rowCount();
  for (int64_t n = 1; n <= rows; ++n) {
    LF_RETURN_IF_ERROR(grid.goToRow(n));
    LF_RETURN_IF_ERROR(appendRow(grid, format, names, text.bytes()));
    LF_RETURN_IF_ERROR(text.endOfRow());
  }
  // The closing tag's line break is the one the end of the file adds.
  if (format == TextFormat::Xml) text.bytes().append("</xml>");
  return text.finish();
}

Status writeCsv(GridReader& grid, ByteSink& file, const TextEncoding& encoding) {
  return writeTable(TextFormat::Csv, grid, file, encoding);
}
Status writeTxt(GridReader& grid, ByteSink& file, const TextEncoding& encoding) {
  return writeTable(TextFormat::Txt, grid, file, encoding);
}
Status writeXml(GridReader& grid, ByteSink& file, const TextEncoding& encoding) {
  return writeTable(TextFormat::Xml, grid, file, encoding);
}

Status writeCsv(GridReader& grid, const std::string& path) {
  FileReplacement file(path);
  return writeCsv(grid, file, TextEncoding::ofUserLocale());
}
Status writeTxt(GridReader& grid, const std::string& path) {
  FileReplacement file(path);
  return writeTxt(grid, file, TextEncoding::ofUserLocale());
}
Status writeXml(GridReader& grid, const std::string& path) {
  FileReplacement file(path);
  return writeXml(grid, file, TextEncoding::ofUserLocale());
}

}  // namespace ledgerfen::exporting
