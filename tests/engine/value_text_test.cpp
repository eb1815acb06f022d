// The text form of values: what the grid shows reads back to the same value.
#include "ledgerfen/value_text.h"

#include <gtest/gtest.h>

#include <random>

#include "support/random_values.h"

namespace ledgerfen {
namespace {

Column column(ColumnType type, uint16_t length = 0, uint8_t precision = 0, uint8_t scale = 0) {
  Column c;
  c.name = "c";
  c.type = type;
  c.typeCode = uint8_t(type);
  c.length = length;
  c.precision = precision;
  c.scale = scale;
  return c;
}

std::string text(const Column& c, const Value& v) {
  return formatValueText(c, v);
}
Value parse(const Column& c, const std::string& s) {
  auto v = parseValueText(c, s);
  EXPECT_TRUE(v.ok()) << s << ": " << (v.ok() ? "" : v.error().message());
  return v.ok() ? *v : Value();
}

TEST(ValueText, EveryTypeReadsBackToTheSameValue) {
  const Column columns[] = {
      column(ColumnType::Boolean),     column(ColumnType::Byte),   column(ColumnType::Integer),
      column(ColumnType::Long),        column(ColumnType::BigInt), column(ColumnType::Currency),
      column(ColumnType::Single),      column(ColumnType::Double), column(ColumnType::Numeric, 17, 18, 4),
      column(ColumnType::DateTimeExt), column(ColumnType::Guid),   column(ColumnType::Text, 100),
      column(ColumnType::Binary, 50),
  };
  std::mt19937 random(7);
  for (const Column& c : columns) {
    for (int i = 0; i < 300; ++i) {
      Value v = test::randomValue(c, FileFormat::Ace14, random, {false, true, true});
      std::string shown = text(c, v);
      EXPECT_TRUE(sameValue(parse(c, shown), v)) << columnTypeName(c.type) << ": " << shown;
    }
  }
}

TEST(ValueText, DatesShowToTheMillisecondAndReadBack) {
  Column c = column(ColumnType::DateTime);
  EXPECT_EQ(text(c, OleDate{0}), "1899-12-30");
  EXPECT_EQ(text(c, OleDate{36526.5}), "2000-01-01 12:00:00");
  EXPECT_EQ(text(c, OleDate{-1.25}), "1899-12-29 06:00:00");
  EXPECT_EQ(text(c, OleDate{-657434}), "0100-01-01");
  for (const char* s : {"1899-12-29 06:00:00", "1700-02-28 23:59:59.999", "2024-03-01", "9999-12-31 23:59:59"}) {
    EXPECT_EQ(text(c, parse(c, s)), s);
  }
  EXPECT_FALSE(parseValueText(c, "2024-02-30").ok());
  EXPECT_FALSE(parseValueText(c, "yesterday").ok());
}

TEST(ValueText, NumbersHaveOneFormWhateverTheLocale) {
  EXPECT_EQ(text(column(ColumnType::Currency), Currency{12345000}), "1234.50");
  EXPECT_EQ(text(column(ColumnType::Currency), Currency{-12345678}), "-1234.5678");
  EXPECT_EQ(text(column(ColumnType::Numeric, 17, 18, 6), Decimal{false, 6, 0, 50325000}), "50.325000");
  EXPECT_EQ(text(column(ColumnType::Double), 0.1), "0.1");
  EXPECT_EQ(text(column(ColumnType::Single), 1.1f), "1.1");
  // Amounts round half away from zero to the places the column keeps.
  EXPECT_TRUE(sameValue(parse(column(ColumnType::Currency), "0.00005"), Currency{1}));
  EXPECT_EQ(parseValueText(column(ColumnType::Integer), "40000").error().kind(), ErrorKind::Constraint);
  EXPECT_FALSE(parseValueText(column(ColumnType::Long), "1,000").ok());
  EXPECT_TRUE(sameValue(parse(column(ColumnType::Boolean), "true"), true));
  EXPECT_TRUE(sameValue(parse(column(ColumnType::Boolean), "-1"), true));
}

TEST(ValueText, TextIsTakenAsTyped) {
  Column c = column(ColumnType::Text, 100);
  EXPECT_TRUE(sameValue(parse(c, "  spaced  "), std::string("  spaced  ")));
  EXPECT_TRUE(sameValue(parse(c, ""), std::string()));
}

}  // namespace
}  // namespace ledgerfen
