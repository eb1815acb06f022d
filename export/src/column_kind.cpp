#include "ledgerfen/export/column_kind.h"

namespace ledgerfen::exporting {

ColumnKind columnKindOf(const Column& column) {
  switch (column.type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::Numeric:
    case ColumnType::BigInt: return ColumnKind::Number;
    case ColumnType::Currency: return ColumnKind::Currency;
    case ColumnType::DateTime:
    case ColumnType::DateTimeExt: return ColumnKind::DateTime;
    case ColumnType::Boolean: return ColumnKind::YesNo;
    case ColumnType::Text:
    case ColumnType::Memo:
    case ColumnType::Guid:
    case ColumnType::Binary:  // also a type code the engine does not know
    case ColumnType::Ole:
    case ColumnType::Complex: return ColumnKind::Text;
  }
  return ColumnKind::Text;
}

}  // namespace ledgerfen::exporting
