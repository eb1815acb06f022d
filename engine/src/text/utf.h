// UTF-16 and UTF-8 conversions used by the text decoders.
//
// Lone surrogates are written as their own three-byte sequences (WTF-8), so
// that text read from a file survives a round trip unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ledgerfen::text {

void appendCodePoint(std::string& out, uint32_t codePoint);

// Appends UTF-16 code units (given one by one) as UTF-8, pairing surrogates.
class Utf16ToUtf8 {
 public:
  explicit Utf16ToUtf8(std::string& out) : out_(out) {}
  ~Utf16ToUtf8() { finish(); }
  Utf16ToUtf8(const Utf16ToUtf8&) = delete;
  Utf16ToUtf8& operator=(const Utf16ToUtf8&) = delete;

  void push(uint16_t unit) {
    if (pendingHigh_) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        appendCodePoint(out_, 0x10000 + ((uint32_t(pendingHigh_) - 0xD800) << 10) + (unit - 0xDC00));
        pendingHigh_ = 0;
        return;
      }
      appendCodePoint(out_, pendingHigh_);
      pendingHigh_ = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pendingHigh_ = unit;
    } else if (unit < 0x80) {
      out_.push_back(char(unit));
    } else {
      appendCodePoint(out_, unit);
    }
  }
  // Appends `count` characters below U+0080, as push() would one by one.
  void pushAscii(const char* chars, size_t count) {
    finish();
    out_.append(chars, count);
  }
  void finish() {
    if (pendingHigh_) appendCodePoint(out_, pendingHigh_);
    pendingHigh_ = 0;
  }

 private:
  std::string& out_;
  uint16_t pendingHigh_ = 0;
};

// Decodes UTF-8 (and WTF-8) into UTF-16 code units; invalid bytes become U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);

}  // namespace ledgerfen::text
