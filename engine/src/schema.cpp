#include "ledgerfen/schema.h"

#include "ledgerfen/status.h"
#include "ledgerfen/value.h"

namespace ledgerfen {

const char* errorKindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Corrupt: return "corrupt";
    case ErrorKind::Unsupported: return "unsupported";
    case ErrorKind::WrongPassword: return "wrong password";
    case ErrorKind::Io: return "I/O";
    case ErrorKind::NotFound: return "not found";
    case ErrorKind::InvalidArgument: return "invalid argument";
    case ErrorKind::ReadOnly: return "read-only";
    case ErrorKind::Constraint: return "constraint";
    case ErrorKind::Conflict: return "conflict";
  }
  return "error";
}

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

const Column* TableSchema::findColumn(std::string_view columnName) const {
  for (const Column& c : columns) {
    if (c.name == columnName) return &c;
  }
  return nullptr;
}

int TableSchema::positionOfNumber(uint16_t number) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].number == number) return int(i);
  }
  return -1;
}

}  // namespace ledgerfen
