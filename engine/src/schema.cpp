#include "ledgerfen/schema.h"

namespace ledgerfen {

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
