// The type a new column gets from the text of all its values.
#include "import/column_guess.h"

#include <gtest/gtest.h>

namespace ledgerfen::cli {
namespace {

ColumnSpec guess(std::vector<std::string> values, FileFormat format = FileFormat::Jet4) {
  ColumnGuess g;
  for (const std::string& v : values) g.see(v);
  return g.column("c", format);
}

struct Case {
  std::vector<std::string> values;
  ColumnType type;
};

TEST(ColumnGuess, TheNarrowestTypeThatHoldsEveryValue) {
  const Case cases[] = {
      {{"yes", "No", "TRUE", "false", ""}, ColumnType::Boolean},
      {{"0", "-2147483648", "2147483647", " 12 "}, ColumnType::Long},
      {{"1", "2147483648"}, ColumnType::Numeric},                // past a Long
      {{"-9999999999999999999999999999"}, ColumnType::Numeric},  // 28 digits
      {{"99999999999999999999999999999"}, ColumnType::Double},   // 29 digits: no Decimal holds it
      {{"1", "2.5"}, ColumnType::Double},
      {{"12345678901", "0.5", "-.25", "5.", "1e3", "-2.5E-3"}, ColumnType::Double},
      {{"1", "yes"}, ColumnType::Text},  // 1 is a number, not a Yes
      {{"2024-03-01", "1899-12-30 00:00:01", "0100-01-01 23:59", "2024-03-01T14:05:09.123"}, ColumnType::DateTime},
      // Codes with leading zeros would lose them as numbers.
      {{"007"}, ColumnType::Text},
      {{"1", "00.5"}, ColumnType::Text},
      {{"0", "0.5", "-0"}, ColumnType::Double},
      // What the engine does not read as a number or date is text.
      {{"+5"}, ColumnType::Text},
      {{"NaN"}, ColumnType::Text},
      {{"Infinity"}, ColumnType::Text},
      {{"0x1F"}, ColumnType::Text},
      {{"1e999"}, ColumnType::Text},
      {{"1,5"}, ColumnType::Text},
      {{"2024-02-30"}, ColumnType::Text},
      {{"2024-03-01", "5"}, ColumnType::Text},
      {{"yes", "maybe"}, ColumnType::Text},
      {{"   "}, ColumnType::Text},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& v : c.values) shown += "[" + v + "]";
    EXPECT_EQ(guess(c.values).type, c.type) << shown;
  }
}

TEST(ColumnGuess, SizesOfTextDecimalsAndOlderFiles) {
  ColumnSpec empty = guess({"", ""});
  EXPECT_EQ(empty.type, ColumnType::Text);
  EXPECT_EQ(empty.size, 255);
  EXPECT_EQ(guess({"short"}).size, 255);

  // Past 255 characters, counted as Access counts them: UTF-16 units.
  EXPECT_EQ(guess({std::string(255, 'x')}).type, ColumnType::Text);
  EXPECT_EQ(guess({std::string(256, 'x')}).type, ColumnType::Memo);
  std::string accents;
  for (int i = 0; i < 255; ++i) accents += "\xC3\xA9";  // 255 characters in 510 bytes
  EXPECT_EQ(guess({accents}).type, ColumnType::Text);
  std::string emoji;
  for (int i = 0; i < 128; ++i) emoji += "\xF0\x9F\x98\x80";  // 256 units
  EXPECT_EQ(guess({emoji}).type, ColumnType::Memo);

  ColumnSpec big = guess({"12345678901234567890"});
  EXPECT_EQ(big.precision, 28);
  EXPECT_EQ(big.scale, 0);
  // Access 97 files have no Decimal.
  EXPECT_EQ(guess({"12345678901234567890"}, FileFormat::Jet3).type, ColumnType::Double);
}

}  // namespace
}  // namespace ledgerfen::cli
