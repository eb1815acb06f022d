// What grid cells show: value text, placeholders, and which cells are editable.
#include <gtest/gtest.h>

#include "ledgerfen/data/cell_text.h"

namespace ledgerfen::data {
namespace {

Column column(ColumnType type) {
  Column c;
  c.type = type;
  c.typeCode = uint8_t(type);
  return c;
}

TEST(CellText, ShowsValuesPlaceholdersAndNullAsEmpty) {
  EXPECT_EQ(cellText(column(ColumnType::Long), int32_t(-5)), "-5");
  EXPECT_EQ(cellText(column(ColumnType::Text), Value()), "");
  EXPECT_EQ(cellText(column(ColumnType::Text), std::string()), "");
  EXPECT_EQ(cellText(column(ColumnType::Ole), ByteString(1234, 0)), "(OLE object, 1234 bytes)");
  EXPECT_EQ(cellText(column(ColumnType::Binary), ByteString(1, 7)), "(binary data, 1 byte)");
  EXPECT_EQ(cellText(column(ColumnType::Complex), ComplexKey{3}), "(attachments)");
}

TEST(CellText, OnlyTypedValuesAreEditable) {
  EXPECT_TRUE(isEditableCell(column(ColumnType::Memo)));
  EXPECT_FALSE(isEditableCell(column(ColumnType::Ole)));
  EXPECT_FALSE(isEditableCell(column(ColumnType::Binary)));
  EXPECT_FALSE(isEditableCell(column(ColumnType::Complex)));
  Column calculated = column(ColumnType::Double);
  calculated.calculated = true;
  EXPECT_FALSE(isEditableCell(calculated));
}

}  // namespace
}  // namespace ledgerfen::data
