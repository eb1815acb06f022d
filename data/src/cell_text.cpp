#include "ledgerfen/data/cell_text.h"

#include "ledgerfen/value_text.h"

namespace ledgerfen::data {

bool isEditableCell(const Column& c) {
  return !c.calculated && !c.autoNumber && !c.guidAutoNumber && c.type != ColumnType::Complex &&
         c.type != ColumnType::Ole && c.type != ColumnType::Binary && isKnownColumnType(c.typeCode);
}

std::string cellText(const Column& c, const Value& v) {
  if (c.type == ColumnType::Complex) return "(attachments)";
  if (isNull(v)) return "";
  if (const auto* bytes = std::get_if<ByteString>(&v)) {
    const char* what = c.type == ColumnType::Ole ? "OLE object" : "binary data";
    return "(" + std::string(what) + ", " + std::to_string(bytes->size()) + (bytes->size() == 1 ? " byte)" : " bytes)");
  }
  return formatValueText(c, v);
}

Result<Value> parseCellText(const Column& c, std::string_view typed) {
  if (typed.empty()) return Value();
  if (c.type == ColumnType::Text || c.type == ColumnType::Memo) {
    if (typed == kEmptyTextTyped) return Value(std::string());
    return Value(std::string(typed));
  }
  // Blanks alone say nothing in a number, a date or a Yes/No: NULL too.
  if (typed.find_first_not_of(" \t") == std::string_view::npos) return Value();
  return parseValueText(c, typed);
}

}  // namespace ledgerfen::data
