// The keys the grid sorts and filters by without an index: their byte order
// is the order a person expects of the values, type by type.
#include "ledgerfen/data/sort_key.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ledgerfen::data {
namespace {

Column columnOf(ColumnType type) {
  Column c;
  c.name = "C";
  c.type = type;
  c.typeCode = uint8_t(type);
  return c;
}

// The values in the order their keys give; equal keys keep their order.
std::vector<Value> sortedByKey(const Column& column, std::vector<Value> values) {
  std::stable_sort(values.begin(), values.end(),
                   [&](const Value& a, const Value& b) { return sortKey(column, a) < sortKey(column, b); });
  return values;
}

TEST(SortKey, NumbersOrderByValueWithNullFirst) {
  const Column longs = columnOf(ColumnType::Long);
  EXPECT_EQ(sortedByKey(longs, {int32_t(5), Value(), int32_t(-7), int32_t(0), int32_t(-1), int32_t(100000)}),
            (std::vector<Value>{Value(), int32_t(-7), int32_t(-1), int32_t(0), int32_t(5), int32_t(100000)}));
  const Column doubles = columnOf(ColumnType::Double);
  EXPECT_EQ(sortedByKey(doubles, {2.5, -0.5, -1e300, 1e-300, -0.0, 3.0}),
            (std::vector<Value>{-1e300, -0.5, -0.0, 1e-300, 2.5, 3.0}));
  const Column money = columnOf(ColumnType::Currency);
  EXPECT_EQ(sortedByKey(money, {Currency{150}, Currency{-20000}, Currency{0}}),
            (std::vector<Value>{Currency{-20000}, Currency{0}, Currency{150}}));
  const Column decimals = columnOf(ColumnType::Numeric);
  const Decimal small{false, 2, 0, 1234};  // 12.34
  const Decimal negative{true, 0, 0, 5};   // -5
  const Decimal large{false, 0, 1, 0};     // 2^64
  EXPECT_EQ(sortedByKey(decimals, {large, small, negative}), (std::vector<Value>{negative, small, large}));
}

TEST(SortKey, DatesOrderByTimeAlsoBefore1900) {
  const Column dates = columnOf(ColumnType::DateTime);
  // -1.5 is noon of 1899-12-29, after its midnight (-1.0) and before the 30th.
  const std::vector<Value> shuffled = {OleDate{0.25}, OleDate{-1.5}, OleDate{-2.75}, OleDate{-1.0}, OleDate{45000}};
  EXPECT_EQ(sortedByKey(dates, shuffled),
            (std::vector<Value>{OleDate{-2.75}, OleDate{-1.0}, OleDate{-1.5}, OleDate{0.25}, OleDate{45000}}));
}

TEST(SortKey, YesComesBeforeNoAsAnIndexOrdersThem) {
  const Column flags = columnOf(ColumnType::Boolean);
  EXPECT_EQ(sortedByKey(flags, {false, true, false, true}), (std::vector<Value>{true, true, false, false}));
  EXPECT_EQ(sortKey(flags, Value()), sortKey(flags, false));  // a missing Yes/No is No
}

TEST(SortKey, TextsOrderWithoutRegardToCaseOrAccents) {
  const Column text = columnOf(ColumnType::Text);
  const std::vector<Value> shuffled = {std::string("zebra"),  std::string("Émile"), std::string("apple"),
                                       std::string("Zürich"), std::string(""),      Value(),
                                       std::string("Apple"),  std::string("emily"), std::string("Straße")};
  EXPECT_EQ(
      sortedByKey(text, shuffled),
      (std::vector<Value>{Value(), std::string(""), std::string("apple"), std::string("Apple"), std::string("Émile"),
                          std::string("emily"), std::string("Straße"), std::string("zebra"), std::string("Zürich")}));
  EXPECT_EQ(sortKey(text, std::string("ŁÓDŹ")), sortKey(text, std::string("lodz")));
  EXPECT_LT(sortKey(text, std::string("ab")), sortKey(text, std::string("ab c")));
}

TEST(FoldCase, LowersLettersOfManyScriptsAndLeavesOtherBytesAlone) {
  EXPECT_EQ(foldCase("ÀÉÎÕÜ Ÿ ĄČĘŁŃŚŹŻ"), "àéîõü ÿ ąčęłńśźż");
  EXPECT_EQ(foldCase("ΑΒΓ ΆΈΉ Σ"), "αβγ άέή σ");
  EXPECT_EQ(foldCase("МОСКВА ЁЖИК"), "москва ёжик");
  EXPECT_EQ(foldCase("ＡＢＣ"), "ａｂｃ");
  EXPECT_EQ(foldCase("ß stays"), "ß stays");
  // A byte that starts no UTF-8 character passes through.
  EXPECT_EQ(foldCase(std::string("A\xff"
                                 "B")),
            std::string("a\xff"
                        "b"));
}

TEST(SortKey, OleObjectsAndAttachmentsCannotBeSortedBy) {
  EXPECT_FALSE(isSortableColumn(columnOf(ColumnType::Ole)));
  EXPECT_FALSE(isSortableColumn(columnOf(ColumnType::Complex)));
  EXPECT_TRUE(isSortableColumn(columnOf(ColumnType::Memo)));
  EXPECT_TRUE(isSortableColumn(columnOf(ColumnType::Guid)));
}

}  // namespace
}  // namespace ledgerfen::data
