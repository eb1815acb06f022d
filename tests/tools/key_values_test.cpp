// Values typed for ledgerfen-db find, read by column type.
#include "commands/key_values.h"

#include <gtest/gtest.h>

namespace ledgerfen::cli {
namespace {

Column columnOf(ColumnType type, uint8_t scale = 0) {
  Column c;
  c.name = "c";
  c.type = type;
  c.scale = scale;
  return c;
}

Value parsed(ColumnType type, const std::string& text) {
  Value v;
  std::string error;
  EXPECT_TRUE(parseColumnValue(columnOf(type), text, v, error)) << text << ": " << error;
  return v;
}

bool refused(ColumnType type, const std::string& text) {
  Value v;
  std::string error;
  return !parseColumnValue(columnOf(type), text, v, error) && !error.empty();
}

TEST(KeyValues, NumbersWithinTheirType) {
  EXPECT_EQ(parsed(ColumnType::Byte, "255"), Value(uint8_t(255)));
  EXPECT_TRUE(refused(ColumnType::Byte, "256"));
  EXPECT_TRUE(refused(ColumnType::Byte, "-1"));
  EXPECT_EQ(parsed(ColumnType::Integer, "-32768"), Value(int16_t(-32768)));
  EXPECT_EQ(parsed(ColumnType::Long, "19"), Value(int32_t(19)));
  EXPECT_TRUE(refused(ColumnType::Long, "19x"));
  EXPECT_TRUE(refused(ColumnType::Long, ""));
  EXPECT_EQ(parsed(ColumnType::BigInt, "-9223372036854775808"), Value(INT64_MIN));
  EXPECT_EQ(parsed(ColumnType::Currency, "-12.5"), Value(Currency{-125000}));
  EXPECT_TRUE(refused(ColumnType::Currency, "0.00001"));
  EXPECT_EQ(parsed(ColumnType::Numeric, "-1.250"), Value(Decimal{true, 3, 0, 1250}));
  EXPECT_EQ(parsed(ColumnType::Double, "2.5e3"), Value(2500.0));
  EXPECT_EQ(parsed(ColumnType::Single, "0.5"), Value(0.5f));
  EXPECT_TRUE(refused(ColumnType::Double, " 1"));
  EXPECT_EQ(parsed(ColumnType::Boolean, "Yes"), Value(true));
  EXPECT_EQ(parsed(ColumnType::Boolean, "0"), Value(false));
  EXPECT_TRUE(refused(ColumnType::Boolean, "maybe"));
}

TEST(KeyValues, DatesCountFrom1899AndTimeRunsForwardBeforeIt) {
  EXPECT_EQ(parsed(ColumnType::DateTime, "1899-12-30"), Value(OleDate{0}));
  EXPECT_EQ(parsed(ColumnType::DateTime, "2000-01-01T12:00:00"), Value(OleDate{36526.5}));
  // 1899-12-29 06:00 is stored as -1.25: the day counts down, the time up.
  EXPECT_EQ(parsed(ColumnType::DateTime, "1899-12-29 06:00:00"), Value(OleDate{-1.25}));
  EXPECT_TRUE(refused(ColumnType::DateTime, "2001-02-29"));
  EXPECT_TRUE(refused(ColumnType::DateTime, "2001-13-01"));
  EXPECT_TRUE(refused(ColumnType::DateTime, "2001-01-01T24:00:00"));
  EXPECT_EQ(parsed(ColumnType::DateTimeExt, "0001-01-01"), Value(ExtendedDate{0, 0}));
  EXPECT_EQ(parsed(ColumnType::DateTimeExt, "2021-06-10T12:45:00.0000001"),
            Value(ExtendedDate{737950, 45900ull * 10'000'000 + 1}));
}

TEST(KeyValues, GuidsBinaryTextAndNull) {
  Guid g;
  const uint8_t stored[16] = {0x7B, 0x9B, 0xC4, 0x0F, 0x56, 0xE6, 0x28, 0x42,
                              0xAE, 0xDC, 0xDF, 0x8B, 0xDF, 0x4C, 0x4A, 0x64};
  std::copy(std::begin(stored), std::end(stored), g.bytes.begin());
  EXPECT_EQ(parsed(ColumnType::Guid, "{0FC49B7B-E656-4228-AEDC-DF8BDF4C4A64}"), Value(g));
  EXPECT_EQ(parsed(ColumnType::Guid, "0fc49b7b-e656-4228-aedc-df8bdf4c4a64"), Value(g));
  EXPECT_TRUE(refused(ColumnType::Guid, "{0FC49B7B-E656-4228-AEDC-DF8BDF4C4A6}"));
  EXPECT_EQ(parsed(ColumnType::Binary, "0x00ff"), Value(ByteString{0x00, 0xFF}));
  EXPECT_EQ(parsed(ColumnType::Binary, "0x"), Value(ByteString{}));
  EXPECT_TRUE(refused(ColumnType::Binary, "0x0"));
  EXPECT_EQ(parsed(ColumnType::Text, " as typed "), Value(std::string(" as typed ")));
  EXPECT_EQ(parsed(ColumnType::Long, "NULL"), Value(std::monostate{}));
  EXPECT_TRUE(refused(ColumnType::Ole, "0x00"));
}

}  // namespace
}  // namespace ledgerfen::cli
