// Bounds-checked little- and big-endian reads over a byte span.
//
// Decoders read untrusted bytes: every read names its offset and is checked
// against the span's end by the caller through `fits`, or by the checked
// readers below, which report the failure instead of reading past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace ledgerfen::format {

using Bytes = std::span<const uint8_t>;

inline bool fits(Bytes b, size_t offset, size_t length) {
  return offset <= b.size() && length <= b.size() - offset;
}

// Unchecked reads: the caller has established `fits` for the range.
inline uint8_t u8(Bytes b, size_t at) {
  return b[at];
}
inline uint16_t u16le(Bytes b, size_t at) {
  return uint16_t(b[at] | (b[at + 1] << 8));
}
inline uint32_t u24le(Bytes b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16);
}
inline uint32_t u32le(Bytes b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
inline uint64_t u64le(Bytes b, size_t at) {
  return uint64_t(u32le(b, at)) | (uint64_t(u32le(b, at + 4)) << 32);
}
inline uint32_t u24be(Bytes b, size_t at) {
  return (uint32_t(b[at]) << 16) | (uint32_t(b[at + 1]) << 8) | uint32_t(b[at + 2]);
}
inline uint32_t u32be(Bytes b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | uint32_t(b[at + 3]);
}
inline double f64le(Bytes b, size_t at) {
  uint64_t bits = u64le(b, at);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline float f32le(Bytes b, size_t at) {
  uint32_t bits = u32le(b, at);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

inline void put16le(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void put32le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void put24be(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 16);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v);
}
inline void put32be(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// A (page, row) address packed little-endian as `page << 8 | row`.
struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;

  static RowPointer unpack(uint32_t packed) { return {packed >> 8, uint8_t(packed & 0xFF)}; }
  uint32_t packed() const { return (page << 8) | row; }
  bool isNull() const { return page == 0 && row == 0; }
  friend bool operator==(const RowPointer&, const RowPointer&) = default;
};

}  // namespace ledgerfen::format
