#include "ledgerfen/value.h"

#include <cstring>

namespace ledgerfen {

bool isKnownColumnType(uint8_t code) {
  return (code >= 0x01 && code <= 0x0C) || code == 0x0F || code == 0x10 || (code >= 0x12 && code <= 0x14);
}

std::string_view columnTypeName(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean: return "boolean";
    case ColumnType::Byte: return "byte";
    case ColumnType::Integer: return "integer";
    case ColumnType::Long: return "long";
    case ColumnType::Currency: return "currency";
    case ColumnType::Single: return "float";
    case ColumnType::Double: return "double";
    case ColumnType::DateTime: return "datetime";
    case ColumnType::Binary: return "binary";
    case ColumnType::Text: return "text";
    case ColumnType::Ole: return "ole";
    case ColumnType::Memo: return "memo";
    case ColumnType::Guid: return "guid";
    case ColumnType::Numeric: return "numeric";
    case ColumnType::Complex: return "complex";
    case ColumnType::BigInt: return "bigint";
    case ColumnType::DateTimeExt: return "datetimeext";
  }
  return "unknown";
}

bool sameValue(const Value& a, const Value& b) {
  if (a.index() != b.index()) return false;
  // Floating-point values compare by their bits, so NaN equals itself and -0 differs from 0.
  if (auto* x = std::get_if<double>(&a)) return std::memcmp(x, &std::get<double>(b), sizeof(double)) == 0;
  if (auto* x = std::get_if<float>(&a)) return std::memcmp(x, &std::get<float>(b), sizeof(float)) == 0;
  if (auto* x = std::get_if<OleDate>(&a)) return std::memcmp(&x->days, &std::get<OleDate>(b).days, sizeof(double)) == 0;
  return a == b;
}

}  // namespace ledgerfen
