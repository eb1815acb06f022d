// The per-page "block key" of encoded and encrypted files: the 4-byte key of
// the header (kHeaderEncodingKey) XOR-ed with the little-endian page number.
#pragma once

#include <array>
#include <cstdint>

namespace ledgerfen::crypto {

inline std::array<uint8_t, 4> pageBlockKey(std::array<uint8_t, 4> encodingKey, uint32_t pageNumber) {
  for (int i = 0; i < 4; ++i) encodingKey[i] ^= uint8_t(pageNumber >> (8 * i));
  return encodingKey;
}

}  // namespace ledgerfen::crypto
