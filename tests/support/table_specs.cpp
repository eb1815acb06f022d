#include "support/table_specs.h"

namespace ledgerfen::test {

TableSpec everyTypeTable(const std::string& name, FileFormat format) {
  TableSpec spec;
  spec.name = name;
  auto column = [&](std::string columnName, ColumnType type, uint16_t size = 0) -> ColumnSpec& {
    spec.columns.push_back(ColumnSpec{std::move(columnName), type, size});
    return spec.columns.back();
  };
  column("ID", ColumnType::Long).autoNumber = true;
  column("Name", ColumnType::Text, 80).required = true;
  column("Code", ColumnType::Text, 10);
  column("Flag", ColumnType::Boolean);
  column("Small", ColumnType::Byte);
  column("Count", ColumnType::Integer);
  column("Amount", ColumnType::Long);
  column("Price", ColumnType::Currency);
  column("Ratio", ColumnType::Single);
  column("Measure", ColumnType::Double);
  column("When", ColumnType::DateTime);
  column("Raw", ColumnType::Binary, 50);
  column("Picture", ColumnType::Ole);
  column("Notes", ColumnType::Memo);
  column("Key", ColumnType::Guid);
  if (format >= FileFormat::Jet4) {
    ColumnSpec& decimal = column("Exact", ColumnType::Numeric);
    decimal.precision = 18;
    decimal.scale = 4;
  }
  if (format >= FileFormat::Ace16) column("Big", ColumnType::BigInt);
  if (format >= FileFormat::Ace17) column("Stamp", ColumnType::DateTimeExt);

  spec.indexes.push_back(IndexSpec{"PrimaryKey", {{"ID"}}, true, true});
  spec.indexes.push_back(IndexSpec{"ByName", {{"Name"}, {"When", false}}});
  spec.indexes.push_back(IndexSpec{"Code", {{"Code"}}, false, true, true});
  spec.indexes.push_back(IndexSpec{"Amount", {{"Amount", false}}});
  spec.indexes.push_back(IndexSpec{"Key", {{"Key"}}});
  return spec;
}

}  // namespace ledgerfen::test
