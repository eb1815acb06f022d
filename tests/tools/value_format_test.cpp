// The canonical value rules, pinned to the examples the dump format gives.
#include "canonical/value_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "canonical/json.h"

namespace ledgerfen::canonical {
namespace {

std::string number(double v) {
  std::string s;
  appendEcmaNumber(s, v);
  return s;
}
std::string date(double v) {
  std::string s;
  appendOleDate(s, v);
  return s;
}
std::string decimal(bool negative, uint64_t magnitude, unsigned scale) {
  std::string s;
  appendDecimal(s, negative, magnitude, scale);
  return s;
}
std::string json(std::string_view text) {
  std::string s;
  appendJsonString(s, text);
  return s;
}

TEST(EcmaNumber, PrintsLikeJavaScript) {
  EXPECT_EQ(number(double(1.1f)), "1.100000023841858");
  EXPECT_EQ(number(1e20), "100000000000000000000");
  EXPECT_EQ(number(1e21), "1e+21");
  EXPECT_EQ(number(444.555), "444.555");
  EXPECT_EQ(number(0.000001), "0.000001");
  EXPECT_EQ(number(0.0000001), "1e-7");
  EXPECT_EQ(number(1.5e-7), "1.5e-7");
  EXPECT_EQ(number(-2.5), "-2.5");
  EXPECT_EQ(number(0.0), "0");
  EXPECT_EQ(number(-0.0), "-0");
  EXPECT_EQ(number(123456789012345680000.0), "123456789012345680000");
  EXPECT_EQ(number(std::numeric_limits<double>::max()), "1.7976931348623157e+308");
  EXPECT_EQ(number(5e-324), "5e-324");
}

TEST(OleDate, FollowsTheDayAndPositiveTimeRule) {
  EXPECT_EQ(date(0), "1899-12-30T00:00:00");
  EXPECT_EQ(date(-0.25), "1899-12-30T06:00:00");
  EXPECT_EQ(date(-1.1), "1899-12-29T02:24:00");
  EXPECT_EQ(date(-94.43003472222335), "1899-09-27T10:19:15");
  EXPECT_EQ(date(-657434), "0100-01-01T00:00:00");
  EXPECT_EQ(date(36526.5), "2000-01-01T12:00:00");
  EXPECT_EQ(date(36526.5 + 0.001 / 86400), "2000-01-01T12:00:00.001");
}

TEST(OleDate, OutOfRangeAndNonFiniteAreInvalid) {
  EXPECT_EQ(date(std::nan("")), "<invalid date>");
  EXPECT_EQ(date(std::numeric_limits<double>::infinity()), "<invalid date>");
  EXPECT_EQ(date(1e12), "<invalid date>");
  EXPECT_EQ(date(2958465), "9999-12-31T00:00:00");
  EXPECT_EQ(date(2958466), "+010000-01-01T00:00:00");
}

TEST(Decimal, HasExactlyScaleDigitsAndNoNegativeZero) {
  EXPECT_EQ(decimal(false, 0, 4), "0.0000");
  EXPECT_EQ(decimal(true, 10000, 4), "-1.0000");
  EXPECT_EQ(decimal(false, 1020306543, 4), "102030.6543");
  EXPECT_EQ(decimal(true, 0, 2), "0.00");
  EXPECT_EQ(decimal(false, 12300, 6), "0.012300");
  EXPECT_EQ(decimal(true, 36222200, 6), "-36.222200");
  EXPECT_EQ(decimal(false, 42, 0), "42");
  EXPECT_EQ(decimal(false, 0, 0), "0");
  EXPECT_EQ(decimal(true, 5, 60), "-0." + std::string(59, '0') + "5");  // a scale from a damaged file
  EXPECT_EQ(decimal(false, 123, 3), "0.123");
  std::string big;
  appendDecimal(big, false, ~UInt128(0), 0);
  EXPECT_EQ(big, "340282366920938463463374607431768211455");
}

TEST(ExtendedDate, PrintsSevenFractionDigitsOnlyWhenNonZero) {
  std::string s;
  appendExtendedDate(s, ExtendedDate{737954, (22 * 3600 + 45 * 60 + 12) * 10'000'000ull + 3456789});
  EXPECT_EQ(s, "2021-06-14T22:45:12.3456789");
  s.clear();
  appendExtendedDate(s, ExtendedDate{0, 0});
  EXPECT_EQ(s, "0001-01-01T00:00:00");
}

TEST(Guid, UsesTheWindowsByteOrder) {
  Guid g;
  for (int i = 0; i < 16; ++i) g.bytes[size_t(i)] = uint8_t(i);
  std::string s;
  appendGuid(s, g);
  EXPECT_EQ(s, "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
}

TEST(JsonString, EscapesLikeJsonStringify) {
  EXPECT_EQ(json("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(json("\b\t\n\f\r"), R"("\b\t\n\f\r")");
  EXPECT_EQ(json(std::string("\x01\x1b", 2)), R"("\u0001\u001b")");
  EXPECT_EQ(json("/\x7f"), "\"/\x7f\"");
  EXPECT_EQ(json("\xE2\x80\xA8 \xF0\x9F\x98\x80"), "\"\xE2\x80\xA8 \xF0\x9F\x98\x80\"");
  EXPECT_EQ(json("x\xED\xA0\x80y"), R"("x\ud800y")");  // a lone surrogate
}

TEST(JsonString, FindsEveryEscapeWhereverItLiesInLongText) {
  // Long text is scanned several bytes at a time: put each character that
  // needs an escape at every position of the first words, between plain text.
  const std::pair<std::string, std::string> cases[] = {
      {"\"", R"(\")"},
      {"\\", R"(\\)"},
      {"\n", R"(\n)"},
      {std::string(1, '\0'), R"(\u0000)"},
      {"\x1f", R"(\u001f)"},
      {"\xED\xBF\xBF", R"(\udfff)"},
      {"\xED\x9F\xBF", "\xED\x9F\xBF"},  // U+D7FF is no surrogate and stays as it is
      {"\xC3\xA9", "\xC3\xA9"},
      {" ", " "}};
  for (const auto& [raw, escaped] : cases) {
    for (size_t before = 0; before < 20; ++before) {
      const std::string head(before, 'a'), tail(20 - before, 'z');
      EXPECT_EQ(json(head + raw + tail), "\"" + head + escaped + tail + "\"") << before;
      EXPECT_EQ(json(head + raw + raw), "\"" + head + escaped + escaped + "\"") << before;
    }
  }
  // A surrogate cut off at the end of the text is copied, not read past.
  EXPECT_EQ(json("abcdefgh\xED\xA0"), "\"abcdefgh\xED\xA0\"");
}

TEST(DateTime, WritesEveryFieldWithItsWidth) {
  EXPECT_EQ(date(1.0 / 86400), "1899-12-30T00:00:01");
  EXPECT_EQ(date(-693593), "0001-01-01T00:00:00");
  EXPECT_EQ(date(-700000), "-000017-06-18T00:00:00");
  EXPECT_EQ(date(45000.999988426), "2023-03-15T23:59:59");
  std::string s;
  appendExtendedDate(s, ExtendedDate{3652059, 10});  // a microsecond into the year 10000
  EXPECT_EQ(s, "+010000-01-01T00:00:00.0000010");
}

}  // namespace
}  // namespace ledgerfen::canonical
