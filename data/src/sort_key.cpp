#include "ledgerfen/data/sort_key.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace ledgerfen::data {
namespace {

// The base letters of U+0100 to U+017F (Latin Extended-A); '2' marks the
// two ligatures, spelled out where they are met.
constexpr std::string_view kLatinExtendedBase =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii22jjkkkllllllllllnnnnnnnnnoooooo22rrrrrrssssssssttttttuuuuuu"
    "uuuuuuwwyyyzzzzzzs";
static_assert(kLatinExtendedBase.size() == 0x80);

// Decodes one code point at `at`, moving `at` past it; a byte that starts
// no UTF-8 sequence comes back as itself (marked by `valid` false).
uint32_t nextCodePoint(std::string_view text, size_t& at, bool& valid) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t first = byte(at);
  valid = true;
  if (first < 0x80) {
    ++at;
    return first;
  }
  size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
  if (length == 0 || length > 4 || at + length > text.size()) {
    valid = false;
    ++at;
    return first;
  }
  uint32_t code = first & (0xFF >> (length + 1));
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      valid = false;
      ++at;
      return first;
    }
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  at += length;
  return code;
}

void appendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xF0 | (code >> 18));
    out += char(0x80 | ((code >> 12) & 0x3F));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

bool isEven(uint32_t c) {
  return c % 2 == 0;
}

uint32_t lowerCase(uint32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c < 0x100) return c;
  if (c == 0x130) return 'i';
  if (c < 0x138) return isEven(c) ? c + 1 : c;
  if (c >= 0x139 && c <= 0x148) return isEven(c) ? c : c + 1;
  if (c >= 0x14A && c <= 0x177) return isEven(c) ? c + 1 : c;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return isEven(c) ? c : c + 1;
  if (c == 0x17F) return 's';
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c == 0x3C2) return 0x3C3;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return isEven(c) ? c + 1 : c;
  }
  if (c == 0x4C0) return 0x4CF;
  if (c >= 0x4C1 && c <= 0x4CE) return isEven(c) ? c : c + 1;
  if (c >= 0x531 && c <= 0x556) return c + 0x30;
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return isEven(c) ? c + 1 : c;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
  return c;
}

// Appends the letters a lower-case code point sorts as.
void appendBase(uint32_t c, std::string& out) {
  if (c >= 0xDF && c <= 0xFF) {
    static constexpr std::string_view kLatin1Base = "saaaaaaaceeeeiiiidnooooo/ouuuuyty";
    static_assert(kLatin1Base.size() == 0xFF - 0xDF + 1);
    switch (c) {
      case 0xDF: out += "ss"; return;
      case 0xE6: out += "ae"; return;
      case 0xFE: out += "th"; return;
      case 0xF7: appendUtf8(c, out); return;
      default: out += kLatin1Base[c - 0xDF]; return;
    }
  }
  if (c >= 0x100 && c < 0x180) {
    const char base = kLatinExtendedBase[c - 0x100];
    if (base != '2') {
      out += base;
    } else {
      out += c < 0x140 ? "ij" : "oe";
    }
    return;
  }
  appendUtf8(c, out);
}

void appendInteger(int64_t v, std::string& out) {
  const uint64_t bits = uint64_t(v) ^ (uint64_t(1) << 63);
  for (int shift = 56; shift >= 0; shift -= 8) out += char((bits >> shift) & 0xFF);
}

void appendUnsigned(uint64_t v, std::string& out) {
  for (int shift = 56; shift >= 0; shift -= 8) out += char((v >> shift) & 0xFF);
}

void appendFloating(double v, std::string& out) {
  if (std::isnan(v)) {
    appendUnsigned(~uint64_t(0), out);  // after every number
    return;
  }
  if (v == 0) v = 0;  // -0 is 0
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits = (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
  appendUnsigned(bits, out);
}

// Stored dates count days from 1899-12-30; before it the fraction is still
// the time of day, so -1.5 (noon) comes after -1.0 (midnight).
double timeline(double days) {
  if (days >= 0) return days;
  const double day = std::trunc(days);
  return day + (day - days);
}

double decimalValue(const Decimal& d) {
  long double magnitude = (long double)d.high * 18446744073709551616.0L + (long double)d.low;
  magnitude /= std::pow(10.0L, (long double)d.scale);
  return double(d.negative ? -magnitude : magnitude);
}

// Appends `text` with ASCII letters lower-cased as they come and every
// other code point handed to `appendCode`, which folds it as the caller
// needs; bytes that are not UTF-8 are kept as they are. Stops once `out`
// holds `end` bytes.
template <typename AppendCode>
void appendFolded(std::string_view text, std::string& out, size_t end, AppendCode&& appendCode) {
  size_t at = 0;
  while (at < text.size() && out.size() < end) {
    const char plain = text[at];
    if (static_cast<uint8_t>(plain) < 0x80) {
      out += plain >= 'A' && plain <= 'Z' ? char(plain + 0x20) : plain;
      ++at;
      continue;
    }
    const size_t start = at;
    bool valid = false;
    const uint32_t code = nextCodePoint(text, at, valid);
    if (valid) {
      appendCode(code);
    } else {
      out.append(text.substr(start, at - start));
    }
  }
}

}  // namespace

std::string foldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendFolded(text, out, SIZE_MAX, [&](uint32_t code) { appendUtf8(lowerCase(code), out); });
  return out;
}

bool isSortableColumn(const Column& column) {
  return column.type != ColumnType::Complex && column.type != ColumnType::Ole && isKnownColumnType(column.typeCode);
}

void appendSortKey(const Column& column, const Value& value, std::string& out, size_t limit) {
  const size_t end = limit == SIZE_MAX ? SIZE_MAX : out.size() + limit + 1;
  if (column.type == ColumnType::Boolean) {
    // As an index: never NULL (a missing one counts as No), Yes first.
    const bool* truth = std::get_if<bool>(&value);
    out += '\x01';
    out += truth && *truth ? '\x00' : '\x01';
    return;
  }
  if (isNull(value)) {
    out += '\x00';
    return;
  }
  out += '\x01';
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, bool>) {
          // handled above
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, int64_t>) {
          appendInteger(int64_t(v), out);
        } else if constexpr (std::is_same_v<T, Currency>) {
          appendInteger(v.units, out);
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          appendFloating(double(v), out);
        } else if constexpr (std::is_same_v<T, OleDate>) {
          appendFloating(timeline(v.days), out);
        } else if constexpr (std::is_same_v<T, ExtendedDate>) {
          appendUnsigned(v.days, out);
          appendUnsigned(v.ticks, out);
        } else if constexpr (std::is_same_v<T, std::string>) {
          appendFolded(v, out, end, [&](uint32_t code) { appendBase(lowerCase(code), out); });
        } else if constexpr (std::is_same_v<T, ByteString>) {
          out.append(v.begin(), v.begin() + std::ptrdiff_t(std::min(v.size(), end - std::min(end, out.size()))));
        } else if constexpr (std::is_same_v<T, Guid>) {
          out.append(v.bytes.begin(), v.bytes.end());
        } else if constexpr (std::is_same_v<T, Decimal>) {
          appendFloating(decimalValue(v), out);
        } else if constexpr (std::is_same_v<T, ComplexKey>) {
          appendInteger(v.id, out);
        }
      },
      value);
}

std::string sortKey(const Column& column, const Value& value) {
  std::string key;
  appendSortKey(column, value, key);
  return key;
}

}  // namespace ledgerfen::data
