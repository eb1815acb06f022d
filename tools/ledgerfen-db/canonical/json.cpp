#include "canonical/json.h"

#include <cstdint>
#include <cstring>

namespace ledgerfen::canonical {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendUnicodeEscape(std::string& out, unsigned unit) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
}

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighs = 0x8080808080808080ULL;

// Whether any of the eight bytes in `w` is zero.
constexpr bool hasZeroByte(uint64_t w) {
  return ((w - kOnes) & ~w & kHighs) != 0;
}

// Whether any of the eight bytes in `w` may need an escape: a control
// character, '"', '\\', or 0xED (the lead byte of a surrogate's three-byte
// form). Exact: false means none does.
constexpr bool mayNeedEscape(uint64_t w) {
  const bool control = ((w - kOnes * 0x20) & ~w & kHighs) != 0;
  return control || hasZeroByte(w ^ (kOnes * '"')) || hasZeroByte(w ^ (kOnes * '\\')) ||
         hasZeroByte(w ^ (kOnes * 0xED));
}

}  // namespace

void appendJsonString(std::string& out, std::string_view s) {
  out.push_back('"');
  size_t run = 0;  // start of the bytes not yet copied
  size_t i = 0;
  while (i < s.size()) {
    // Most text needs no escape at all: pass it eight bytes at a time.
    if (i + 8 <= s.size()) {
      uint64_t w;
      std::memcpy(&w, s.data() + i, sizeof w);
      if (!mayNeedEscape(w)) {
        i += 8;
        continue;
      }
    }
    unsigned char c = static_cast<unsigned char>(s[i]);
    const char* escape = nullptr;
    bool surrogate = false;
    switch (c) {
      case '"': escape = "\\\""; break;
      case '\\': escape = "\\\\"; break;
      case '\b': escape = "\\b"; break;
      case '\t': escape = "\\t"; break;
      case '\n': escape = "\\n"; break;
      case '\f': escape = "\\f"; break;
      case '\r': escape = "\\r"; break;
      default:
        // A lone surrogate is kept as ED A0..BF xx, which valid UTF-8 never holds.
        surrogate = c == 0xED && i + 2 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0xA0;
        if (c >= 0x20 && !surrogate) {
          ++i;
          continue;
        }
    }
    out.append(s.data() + run, i - run);
    if (escape) {
      out += escape;
    } else if (surrogate) {
      unsigned unit =
          0xD000 | ((static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) | (static_cast<unsigned char>(s[i + 2]) & 0x3F);
      appendUnicodeEscape(out, unit);
      i += 2;
    } else {
      appendUnicodeEscape(out, c);
    }
    run = ++i;
  }
  out.append(s.data() + run, s.size() - run);
  out.push_back('"');
}

}  // namespace ledgerfen::canonical
