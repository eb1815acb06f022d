// Text as Access stores it.
//
// Jet4 and ACE store UTF-16LE, optionally "compressed": a value starting
// FF FE switches between one byte per character (U+0001-U+00FF) and UTF-16LE
// at every 00 byte, starting in the one-byte mode. Jet3 stores text in a
// single-byte or double-byte Windows code page.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "format/bytes.h"
#include "ledgerfen/status.h"

namespace ledgerfen::text {

// Appends Jet4/ACE text bytes as UTF-8, undoing the compression.
void decodeUcs2Text(format::Bytes bytes, std::string& out);
// The stored bytes of `text` (UTF-8). With `compress`, the shorter of plain
// UTF-16 and the compressed form; text that starts with U+FEFF is given the
// compression marker, which plain UTF-16 would imitate, where it can be.
std::vector<uint8_t> encodeUcs2Text(std::string_view text, bool compress);

// A Windows code page, decoded through iconv.
class CodePage {
 public:
  // Fails when iconv does not know the code page.
  static Result<std::shared_ptr<const CodePage>> load(uint16_t number);

  uint16_t number() const { return number_; }
  // Appends the bytes as UTF-8; bytes without a character become U+FFFD.
  void decode(format::Bytes bytes, std::string& out) const;
  // The bytes of `text` (UTF-8) in this code page; an error names a
  // character the code page cannot hold.
  Result<std::vector<uint8_t>> encode(std::string_view text) const;

 private:
  CodePage() = default;
  uint16_t number_ = 0;
  bool singleByte_ = true;
  // Single-byte pages: the UTF-8 form of every byte.
  std::array<std::string, 256> table_;
};

}  // namespace ledgerfen::text
