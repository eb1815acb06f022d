// What grid cells show: value text, placeholders, which cells are editable,
// and what typing into a cell means.
#include "ledgerfen/data/cell_text.h"

#include <gtest/gtest.h>

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
  Column autoNumber = column(ColumnType::Long);
  autoNumber.autoNumber = true;
  EXPECT_FALSE(isEditableCell(autoNumber));
}

TEST(CellText, AnEmptyCellIsNullAndTwoQuotesTheEmptyText) {
  for (ColumnType type : {ColumnType::Text, ColumnType::Memo, ColumnType::Long, ColumnType::DateTime}) {
    EXPECT_TRUE(isNull(parseCellText(column(type), "").value()));
  }
  EXPECT_TRUE(isNull(parseCellText(column(ColumnType::Currency), "  ").value()));
  EXPECT_EQ(parseCellText(column(ColumnType::Text), "\"\"").value(), Value(std::string()));
  EXPECT_EQ(parseCellText(column(ColumnType::Memo), " padded ").value(), Value(std::string(" padded ")));
  EXPECT_EQ(parseCellText(column(ColumnType::Text), "say \"\"").value(), Value(std::string("say \"\"")));
  EXPECT_EQ(parseCellText(column(ColumnType::Integer), " 12 ").value(), Value(int16_t(12)));
  auto wrong = parseCellText(column(ColumnType::DateTime), "yesterday");
  ASSERT_FALSE(wrong.ok());
  EXPECT_EQ(wrong.error().kind(), ErrorKind::Constraint);
}

TEST(CellText, WhatACellShowsTypesBackToItsValue) {
  Column date = column(ColumnType::DateTime);
  for (double days : {-693593.5, -1.25, 0.0, 45351.604}) {
    Value v = OleDate{days};
    EXPECT_TRUE(sameValue(parseCellText(date, cellText(date, v)).value(), v)) << cellText(date, v);
  }
  Column money = column(ColumnType::Currency);
  EXPECT_EQ(parseCellText(money, cellText(money, Currency{-12345678})).value(), Value(Currency{-12345678}));
  Column flag = column(ColumnType::Boolean);
  EXPECT_EQ(parseCellText(flag, cellText(flag, true)).value(), Value(true));
  Column id = column(ColumnType::Guid);
  Guid g;
  for (size_t i = 0; i < 16; ++i) g.bytes[i] = uint8_t(i * 17);
  EXPECT_EQ(parseCellText(id, cellText(id, g)).value(), Value(g));
}

}  // namespace
}  // namespace ledgerfen::data
