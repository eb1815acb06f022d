// Column types and cell values.
//
// A Value holds one cell exactly as stored: integers keep their width,
// Currency and Decimal stay exact, dates stay the stored day count, text is
// UTF-8. Lone UTF-16 surrogates, which damaged or odd text can hold, are kept
// in text as their three-byte UTF-8 form (as WTF-8 does), so nothing read is
// altered. Values are plain data, safe to copy and share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ledgerfen {

// Type codes as stored in a column descriptor.
enum class ColumnType : uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Guid = 0x0F,
  Numeric = 0x10,
  Complex = 0x12,
  BigInt = 0x13,
  DateTimeExt = 0x14,
};

// True for the codes above; other codes are read as opaque bytes.
bool isKnownColumnType(uint8_t code);
// "boolean", "byte", ... as the canonical dump names them; "unknown" otherwise.
std::string_view columnTypeName(ColumnType type);

// Currency: a count of 1/10000 units.
struct Currency {
  int64_t units = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};

// Decimal: sign and a 96-bit-or-wider magnitude, value = magnitude / 10^scale.
struct Decimal {
  bool negative = false;
  uint8_t scale = 0;
  uint64_t high = 0;  // upper 64 bits of the 128-bit magnitude
  uint64_t low = 0;
  friend bool operator==(const Decimal&, const Decimal&) = default;
};

// Date/Time: days since 1899-12-30; for negative values the integer part is
// the day and the fraction is still a positive time of day.
struct OleDate {
  double days = 0;
  friend bool operator==(const OleDate& a, const OleDate& b) { return a.days == b.days; }
};

// Date/Time Extended: days since 0001-01-01 and 100-ns units within the day.
struct ExtendedDate {
  uint64_t days = 0;
  uint64_t ticks = 0;  // < 864'000'000'000
  friend bool operator==(const ExtendedDate&, const ExtendedDate&) = default;
};

// Replication ID: the 16 bytes as stored (Windows GUID layout).
struct Guid {
  std::array<uint8_t, 16> bytes{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// Attachment and multi-value columns: the key into their hidden table.
struct ComplexKey {
  int32_t id = 0;
  friend bool operator==(const ComplexKey&, const ComplexKey&) = default;
};

using ByteString = std::vector<uint8_t>;

// monostate is NULL. Text and Memo hold UTF-8 text; Binary, OLE and unknown
// types hold bytes.
using Value = std::variant<std::monostate, bool, uint8_t, int16_t, int32_t, int64_t, Currency, float, double, OleDate,
                           ExtendedDate, std::string, ByteString, Guid, Decimal, ComplexKey>;

inline bool isNull(const Value& v) {
  return std::holds_alternative<std::monostate>(v);
}

// Whether two values are the same stored value: of the same type and equal,
// floating-point values bit for bit. NULL is not the empty text.
bool sameValue(const Value& a, const Value& b);

}  // namespace ledgerfen
