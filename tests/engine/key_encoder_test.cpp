// Index keys: the bytes Access writes for each type, and that byte order is
// value order (reversed for descending columns).
#include "index/key_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ledgerfen::index {
namespace {

using Bytes = std::vector<uint8_t>;

KeyColumn column(ColumnType type, bool ascending = true) {
  KeyColumn c;
  c.name = "c";
  c.type = type;
  c.ascending = ascending;
  return c;
}

Bytes key(const KeyColumn& c, const Value& v) {
  Bytes out;
  Status s = appendColumnKey(out, c, v);
  EXPECT_TRUE(s.ok()) << s.error().message();
  return out;
}

// Keys of `ordered` (ascending values) must ascend, and descend on a
// descending column.
void expectOrderKept(KeyColumn c, const std::vector<Value>& ordered) {
  for (bool ascending : {true, false}) {
    c.ascending = ascending;
    for (size_t i = 1; i < ordered.size(); ++i) {
      Bytes a = key(c, ordered[i - 1]), b = key(c, ordered[i]);
      if (ascending) {
        EXPECT_LT(a, b) << "values " << i - 1 << " and " << i;
      } else {
        EXPECT_GT(a, b) << "values " << i - 1 << " and " << i << " descending";
      }
    }
  }
}

template <typename T>
std::vector<Value> values(std::initializer_list<T> list) {
  return std::vector<Value>(list.begin(), list.end());
}

TEST(KeyEncoding, FlagBytesAndNulls) {
  EXPECT_EQ(key(column(ColumnType::Long), std::monostate{}), Bytes{0x00});
  EXPECT_EQ(key(column(ColumnType::Long, false), std::monostate{}), Bytes{0xFF});
  // Descending Long 19, as Access wrote it.
  EXPECT_EQ(key(column(ColumnType::Long, false), int32_t(19)), (Bytes{0x80, 0x7F, 0xFF, 0xFF, 0xEC}));
  EXPECT_EQ(key(column(ColumnType::Long), int32_t(19)), (Bytes{0x7F, 0x80, 0x00, 0x00, 0x13}));
  // NULL sorts first ascending and last descending.
  expectOrderKept(column(ColumnType::Integer), {std::monostate{}, int16_t(-32768), int16_t(0)});
}

TEST(KeyEncoding, BooleansAreNeverNull) {
  EXPECT_EQ(key(column(ColumnType::Boolean), true), (Bytes{0x7F, 0x00}));
  EXPECT_EQ(key(column(ColumnType::Boolean), false), (Bytes{0x7F, 0xFF}));
  EXPECT_EQ(key(column(ColumnType::Boolean, false), true), (Bytes{0x80, 0xFF}));
  EXPECT_EQ(key(column(ColumnType::Boolean), std::monostate{}), key(column(ColumnType::Boolean), false));
}

TEST(KeyEncoding, IntegersSortByValue) {
  expectOrderKept(column(ColumnType::Byte), values<uint8_t>({0, 1, 127, 128, 255}));
  expectOrderKept(column(ColumnType::Integer), values<int16_t>({-32768, -1, 0, 1, 32767}));
  expectOrderKept(column(ColumnType::Long), values<int32_t>({INT32_MIN, -256, -1, 0, 255, INT32_MAX}));
  expectOrderKept(column(ColumnType::BigInt), values<int64_t>({INT64_MIN, -1, 0, 1LL << 40, INT64_MAX}));
  expectOrderKept(column(ColumnType::Currency), {Currency{-100000}, Currency{-1}, Currency{0}, Currency{12345}});
  expectOrderKept(column(ColumnType::Complex), {ComplexKey{-5}, ComplexKey{0}, ComplexKey{7}});
  EXPECT_EQ(key(column(ColumnType::Byte, false), uint8_t(0x12)), (Bytes{0x80, 0xED}));
}

TEST(KeyEncoding, FloatingPointSortsByValueThroughZero) {
  const double inf = std::numeric_limits<double>::infinity();
  expectOrderKept(column(ColumnType::Double), values<double>({-inf, -1e300, -2.5, -1e-300, 0.0, 1e-300, 2.5, inf}));
  expectOrderKept(column(ColumnType::Single), values<float>({-3e38f, -1.0f, -1e-30f, 0.0f, 1e-30f, 1.0f, 3e38f}));
  // Dates compare as their stored days (before 1899 the time of day counts the
  // other way, and Access orders them as stored).
  expectOrderKept(column(ColumnType::DateTime), {OleDate{-700000.5}, OleDate{-1.25}, OleDate{0}, OleDate{45000.75}});
  EXPECT_EQ(key(column(ColumnType::Double), 1.0), (Bytes{0x7F, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(key(column(ColumnType::Double), -1.0), (Bytes{0x7F, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

Decimal decimal(bool negative, uint64_t magnitude, uint8_t scale) {
  return Decimal{negative, scale, 0, magnitude};
}

TEST(KeyEncoding, DecimalsInAceSortByValueBothWays) {
  KeyColumn c = column(ColumnType::Numeric);
  c.scale = 2;
  expectOrderKept(c, {decimal(true, 50000, 2), decimal(true, 5, 2), decimal(false, 0, 2), decimal(false, 5, 2),
                      Decimal{false, 2, 1, 0}});
  // A value at another scale is brought to the column's.
  EXPECT_EQ(key(c, decimal(false, 15, 1)), key(c, decimal(false, 150, 2)));
  Bytes out;
  Status s = appendColumnKey(out, c, decimal(false, 1234, 3));
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().kind(), ErrorKind::InvalidArgument);
  EXPECT_NE(s.error().message().find("holds 2 decimal places"), std::string::npos);
}

// Jet3 and Jet4 wrote descending decimals with negatives before positives;
// ACE corrected that. Both must be reproduced, as files hold either.
TEST(KeyEncoding, LegacyDecimalsKeepTheirOldDescendingOrder) {
  KeyColumn legacy = column(ColumnType::Numeric, false);
  legacy.legacyDecimal = true;
  Bytes minusThree = key(legacy, decimal(true, 3, 0)), three = key(legacy, decimal(false, 3, 0));
  EXPECT_EQ(minusThree, (Bytes{0x80, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03}));
  EXPECT_EQ(three[1], 0xFF);
  EXPECT_EQ(three[17], 0xFC);
  EXPECT_LT(minusThree, three);
  legacy.ascending = true;
  EXPECT_LT(key(legacy, decimal(true, 9, 0)), key(legacy, decimal(true, 3, 0)));
  EXPECT_LT(key(legacy, decimal(true, 3, 0)), key(legacy, decimal(false, 3, 0)));

  KeyColumn ace = column(ColumnType::Numeric, false);
  EXPECT_GT(key(ace, decimal(true, 3, 0)), key(ace, decimal(false, 3, 0)));
}

TEST(KeyEncoding, BinaryGoesInGroupsOfEight) {
  KeyColumn c = column(ColumnType::Binary);
  EXPECT_EQ(key(c, ByteString{}), Bytes{0x7F});
  EXPECT_EQ(key(c, ByteString{1, 2, 3}), (Bytes{0x7F, 1, 2, 3, 0, 0, 0, 0, 0, 3}));
  EXPECT_EQ(key(c, ByteString(8, 0xAA)), (Bytes{0x7F, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 8}));
  Bytes nine = key(c, ByteString{1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(nine, (Bytes{0x7F, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 0, 0, 0, 0, 0, 0, 0, 1}));
  // Descending: every byte inverted but the 9 that says more follows.
  Bytes down = key(column(ColumnType::Binary, false), ByteString{1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(down, (Bytes{0x80, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF9, 0xF8, 0xF7, 9, 0xF6, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF, 0xFE}));
  expectOrderKept(
      c, {ByteString{0}, ByteString{0, 0}, ByteString(8, 0), ByteString(9, 0), ByteString{0, 1}, ByteString{0xFF}});
}

TEST(KeyEncoding, GuidsSortInTheirTextOrder) {
  Guid g;  // {04030201-0605-0807-090A-0B0C0D0E0F10} as stored
  for (uint8_t i = 0; i < 16; ++i) g.bytes[i] = uint8_t(i + 1);
  EXPECT_EQ(key(column(ColumnType::Guid), g),
            (Bytes{0x7F, 4, 3, 2, 1, 6, 5, 8, 7, 9, 9, 10, 11, 12, 13, 14, 15, 16, 8}));
}

TEST(KeyEncoding, ExtendedDatesKeepTheirCharacters) {
  // 0000000000000737954:0000000459000000000:7 as Access stored it.
  ExtendedDate d{737954, 45900ull * 10'000'000};
  Bytes k = key(column(ColumnType::DateTimeExt), d);
  std::string text = "0000000000000737954:0000000459000000000:7";
  text.push_back('\0');
  Bytes expected{0x7F};
  for (size_t g = 0; g < 5; ++g) {
    expected.insert(expected.end(), text.begin() + long(8 * g), text.begin() + long(8 * g + 8));
    expected.push_back(0x09);
  }
  expected.insert(expected.end(), {'7', 0, 0, 0, 0, 0, 0, 0, 0x02});
  EXPECT_EQ(k, expected);
  Bytes down = key(column(ColumnType::DateTimeExt, false), d);
  ASSERT_EQ(down.size(), k.size());
  for (size_t i = 1; i < k.size(); ++i) {
    bool separator = i % 9 == 0 && i <= 45;
    EXPECT_EQ(down[i], separator ? k[i] : uint8_t(~k[i])) << i;
  }
  expectOrderKept(column(ColumnType::DateTimeExt), {ExtendedDate{0, 0}, ExtendedDate{0, 1}, ExtendedDate{1, 0}});
}

TEST(KeyEncoding, ValuesOfTheWrongTypeAreRefusedByColumnName) {
  KeyColumn c = column(ColumnType::Long);
  c.name = "Amount";
  Bytes out;
  Status s = appendColumnKey(out, c, std::string("12"));
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().kind(), ErrorKind::InvalidArgument);
  EXPECT_NE(s.error().message().find("column Amount is long"), std::string::npos) << s.error().message();
}

// --- Text ---

KeyColumn textColumn(TextSortOrder order, bool ascending = true) {
  KeyColumn c = column(ColumnType::Text, ascending);
  c.textOrder = order;
  return c;
}

Bytes text(TextSortOrder order, const std::string& s, bool ascending = true) {
  return key(textColumn(order, ascending), s);
}

const TextSortOrder kAllOrders[] = {TextSortOrder::General97, TextSortOrder::GeneralLegacy, TextSortOrder::General};

TEST(TextKeys, GeneralLegacyAsAccessWroteIt) {
  // The name "Modules" in MSysObjects of an Access 2000 file.
  EXPECT_EQ(text(TextSortOrder::GeneralLegacy, "Modules"),
            (Bytes{0x7F, 0x60, 0x64, 0x4F, 0x6F, 0x5E, 0x51, 0x6B, 0x01, 0x00}));
  // Descending: an end byte is inverted with the rest, then one more follows.
  EXPECT_EQ(text(TextSortOrder::GeneralLegacy, "Mo", false), (Bytes{0x80, 0x9F, 0x9B, 0xFE, 0xFF, 0x00}));
}

TEST(TextKeys, General97ForCodePageText) {
  // Jet3 text holds Windows-1252 bytes; the five it leaves unassigned are read
  // as U+FFFD and weigh alike.
  EXPECT_EQ(text(TextSortOrder::General97,
                 "AA\xEF\xBF\xBD"
                 "AA"),
            (Bytes{0x7F, 0x60, 0x60, 0x10, 0x60, 0x60, 0x00}));
  // Characters beyond Latin-1 that Windows-1252 holds weigh as its byte.
  EXPECT_EQ(text(TextSortOrder::General97, "\xE2\x82\xAC"), text(TextSortOrder::General97, "\xC2\x80"));
  // Accents become nibbles after a 0 nibble.
  EXPECT_EQ(text(TextSortOrder::General97, "\xC3\xA9"), (Bytes{0x7F, 0x66, 0x04, 0x00}));
  EXPECT_EQ(text(TextSortOrder::General97, "A\xC3\xA9"), (Bytes{0x7F, 0x60, 0x66, 0x02, 0x40}));
}

TEST(TextKeys, CaseDoesNotCountButAccentsDo) {
  for (TextSortOrder order : kAllOrders) {
    EXPECT_EQ(text(order, "Access"), text(order, "aCCESS"));
    Bytes e = text(order, "e"), eAcute = text(order, "\xC3\xA9"), f = text(order, "f");
    EXPECT_LT(e, eAcute);
    EXPECT_LT(eAcute, f);
  }
}

TEST(TextKeys, TrailingSpacesAndCharactersPast255DoNotCount) {
  for (TextSortOrder order : kAllOrders) {
    EXPECT_EQ(text(order, "ab  "), text(order, "ab"));
    EXPECT_NE(text(order, " ab"), text(order, "ab"));
    std::string longText(255, 'x');
    EXPECT_EQ(text(order, longText + "yz"), text(order, longText));
    EXPECT_EQ(text(order, std::string(250, 'x') + std::string(10, ' ') + "y"), text(order, std::string(250, 'x')));
    // A long Memo: 400 three-byte characters count as their first 255.
    std::string euro;
    for (int i = 0; i < 400; ++i) euro += "\xE2\x82\xAC";
    EXPECT_EQ(text(order, euro), text(order, euro.substr(0, 3 * 255)));
    EXPECT_NE(text(order, euro.substr(0, 3 * 254)), text(order, euro.substr(0, 3 * 255)));
  }
}

TEST(TextKeys, DescendingReversesTheOrder) {
  const std::vector<std::string> ordered = {"",
                                            "a",
                                            "ab",
                                            "abc",
                                            "b",
                                            "\xC3\xBC"
                                            "ber",
                                            "z"};
  for (TextSortOrder order : kAllOrders) {
    for (size_t i = 1; i < ordered.size(); ++i) {
      EXPECT_LT(text(order, ordered[i - 1]), text(order, ordered[i])) << ordered[i - 1] << " < " << ordered[i];
      EXPECT_GT(text(order, ordered[i - 1], false), text(order, ordered[i], false)) << ordered[i];
    }
  }
}

// Apostrophes and hyphens have no weight of their own: "co-op" sorts with
// "coop", after it, and before "coopa".
TEST(TextKeys, UnprintableCharactersOnlyBreakTies) {
  for (TextSortOrder order : {TextSortOrder::GeneralLegacy, TextSortOrder::General}) {
    Bytes coop = text(order, "coop"), hyphen = text(order, "co-op"), longer = text(order, "coopa");
    EXPECT_LT(coop, hyphen);
    EXPECT_LT(hyphen, longer);
  }
  // In General Legacy: the weights, 01, then 01 01, 01 and the hyphen at position 2 of the extra codes.
  EXPECT_EQ(text(TextSortOrder::GeneralLegacy, "a-b"),
            (Bytes{0x7F, 0x4A, 0x4C, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x82, 0x00}));
}

// Characters Access weighs as several letters (ß as "ss", Æ as "ae") take a
// position of the accent codes per letter in Jet 3 and ACE files and one in
// Jet 4 files; keys Access stored in each show it.
TEST(TextKeys, ExpansionsTakeThePositionsAccessGivesThem) {
  // Suppliers.CompanyName of an Access 97 Northwind: ß is two of the letters
  // whose accents count, so the accent of ä comes eleven places in.
  EXPECT_EQ(text(TextSortOrder::General97, "Plutzer Lebensmittelgro\xC3\x9Fm\xC3\xA4rkte AG"),
            (Bytes{0x7F, 0x73, 0x6D, 0x78, 0x77, 0x7E, 0x66, 0x75, 0x11, 0x6D, 0x66, 0x61, 0x66, 0x70,
                   0x76, 0x6F, 0x6A, 0x77, 0x77, 0x66, 0x6D, 0x68, 0x75, 0x72, 0x76, 0x76, 0x6F, 0x60,
                   0x75, 0x6C, 0x77, 0x66, 0x11, 0x60, 0x68, 0x02, 0x22, 0x22, 0x22, 0x22, 0x22, 0x60}));
  // Products.ProductName of an ACE Northwind: the hyphens are at positions
  // 11 and 17 (words of 6, 1 and 3 letters before the first, ß counting two).
  EXPECT_EQ(text(TextSortOrder::GeneralLegacy, "NuNuCa Nu\xC3\x9F-Nougat-Creme"),
            (Bytes{0x7F, 0x62, 0x6F, 0x62, 0x6F, 0x4D, 0x4A, 0x07, 0x62, 0x6F, 0x6B, 0x6B,
                   0x62, 0x64, 0x6F, 0x55, 0x4A, 0x6D, 0x4D, 0x69, 0x51, 0x60, 0x51, 0x01,
                   0x01, 0x01, 0x01, 0x80, 0x33, 0x06, 0x82, 0x80, 0x4B, 0x06, 0x82, 0x00}));
  // Jet 4 (Access 2003) gave Æ one position.
  KeyColumn jet4 = textColumn(TextSortOrder::GeneralLegacy);
  jet4.expansions = ExpansionPositions::One;
  EXPECT_EQ(key(jet4, std::string("\xC3\x86\xC3\xA9")), (Bytes{0x7F, 0x4A, 0x51, 0x51, 0x01, 0x02, 0x0E, 0x00}));
  EXPECT_EQ(text(TextSortOrder::GeneralLegacy, "\xC3\x86\xC3\xA9"),
            (Bytes{0x7F, 0x4A, 0x51, 0x51, 0x01, 0x02, 0x02, 0x0E, 0x00}));
  EXPECT_EQ(expansionPositionsOf(FileFormat::Jet4), ExpansionPositions::One);
  EXPECT_EQ(expansionPositionsOf(FileFormat::Ace12), ExpansionPositions::PerLetter);
}

TEST(TextKeys, NulWeighsAsAControlCharacterInGeneral97) {
  // MSysModules of an Access 95 file keys the name "Lock" followed by NUL so.
  EXPECT_EQ(text(TextSortOrder::General97, std::string("Lock\0", 5)),
            (Bytes{0x7F, 0x6D, 0x72, 0x62, 0x6C, 0x10, 0x00}));
}

// Where the weights leave a key in doubt, no key is made: a write that needs
// it is refused rather than risk an entry Access would not find.
TEST(TextKeys, KeysNotKnownToMatchAccessAreRefused) {
  auto refused = [](TextSortOrder order, const std::string& value) {
    Bytes out;
    KeyColumn c = textColumn(order);
    c.name = "Title";
    Status s = appendColumnKey(out, c, value);
    EXPECT_FALSE(s.ok()) << value;
    if (s.ok()) return;
    EXPECT_EQ(s.error().kind(), ErrorKind::Unsupported);
    EXPECT_NE(s.error().message().find("column Title"), std::string::npos) << s.error().message();
  };
  // Whether the later orders weigh NUL is not recorded.
  refused(TextSortOrder::GeneralLegacy, std::string("a\0b", 3));
  refused(TextSortOrder::General, std::string("\0", 1));
  // An Arabic ligature whose letters and accent codes disagree, then an accent.
  refused(TextSortOrder::General, "\xEF\xAF\xAA\xC3\xA9");
  // Alone, or with nothing positional after it, its key is known.
  EXPECT_EQ(text(TextSortOrder::General, "\xEF\xAF\xAA"), (Bytes{0x7F, 0x29, 0xD7, 0x29, 0x0B, 0x01, 0xD6, 0x00}));
}

// A character outside the Basic Multilingual Plane is a surrogate pair, whose
// weights Access computes from the code units.
TEST(TextKeys, SurrogatePairsGetComputedWeights) {
  // U+1F600 = D83D DE00: weights D83D - 10238 and DE00 - 9988, extra code 3F each.
  Bytes k = text(TextSortOrder::General, "\xF0\x9F\x98\x80");
  EXPECT_EQ(k, (Bytes{0x7F, 0xB0, 0x3F, 0xB6, 0xFC, 0x01, 0x3F, 0x3F, 0x00}));
  EXPECT_EQ(text(TextSortOrder::GeneralLegacy, "\xF0\x9F\x98\x80"), k);
  // General 97 cannot hold them and ignores them.
  EXPECT_EQ(text(TextSortOrder::General97, "a\xF0\x9F\x98\x80"), text(TextSortOrder::General97, "a"));
}

Column textSchemaColumn(uint16_t lcid, int8_t version) {
  Column c;
  c.name = "Name";
  c.type = ColumnType::Text;
  c.typeCode = uint8_t(ColumnType::Text);
  c.sortOrder = SortOrder{lcid, version};
  return c;
}

TEST(TextKeys, SortOrderComesFromTheColumn) {
  EXPECT_EQ(*textSortOrderOf(FileFormat::Jet3, textSchemaColumn(0x0409, -1)), TextSortOrder::General97);
  EXPECT_EQ(*textSortOrderOf(FileFormat::Ace14, textSchemaColumn(0x0409, 0)), TextSortOrder::GeneralLegacy);
  EXPECT_EQ(*textSortOrderOf(FileFormat::Ace12, textSchemaColumn(0x0409, 1)), TextSortOrder::General);
  // No sort order stored: the format's default.
  EXPECT_EQ(*textSortOrderOf(FileFormat::Jet4, textSchemaColumn(0, 0)), TextSortOrder::GeneralLegacy);
  EXPECT_EQ(*textSortOrderOf(FileFormat::Ace16, textSchemaColumn(0, 0)), TextSortOrder::General);

  auto russian = textSortOrderOf(FileFormat::Jet4, textSchemaColumn(1049, 0));
  ASSERT_FALSE(russian.ok());
  EXPECT_EQ(russian.error().kind(), ErrorKind::Unsupported);
  EXPECT_NE(russian.error().message().find("column Name uses the sort order LCID 1049 version 0"), std::string::npos)
      << russian.error().message();
}

// --- Whole keys ---

TableSchema schemaOf(std::vector<Column> columns) {
  TableSchema s;
  for (size_t i = 0; i < columns.size(); ++i) {
    columns[i].number = uint16_t(i + 10);
    columns[i].typeCode = uint8_t(columns[i].type);
  }
  s.columns = std::move(columns);
  return s;
}

Column plain(const std::string& name, ColumnType type) {
  Column c;
  c.name = name;
  c.type = type;
  return c;
}

TEST(KeyEncoder, JoinsColumnsInIndexOrderWithTheirOwnDirections) {
  TableSchema s = schemaOf({plain("id", ColumnType::Long), textSchemaColumn(0x0409, 0), plain("n", ColumnType::Byte)});
  auto encoder = KeyEncoder::create(FileFormat::Jet4, s, {IndexColumn{12, false}, IndexColumn{10, true}});
  ASSERT_TRUE(encoder.ok()) << encoder.error().message();
  std::vector<Value> row = {int32_t(1), std::string("x"), uint8_t(2)};
  Bytes k;
  ASSERT_TRUE(encoder->encodeRow(row, k).ok());
  EXPECT_EQ(k, (Bytes{0x80, 0xFD, 0x7F, 0x80, 0, 0, 1}));
  // Fewer values: the prefix of every key that starts with them.
  Bytes prefix;
  ASSERT_TRUE(encoder->encodeValues(std::vector<Value>{uint8_t(2)}, prefix).ok());
  EXPECT_EQ(prefix, (Bytes{0x80, 0xFD}));
  EXPECT_FALSE(encoder->encodeValues(std::vector<Value>(3, std::monostate{}), prefix).ok());
}

TEST(KeyEncoder, RefusesColumnsNoKeyCanBeMadeOf) {
  TableSchema s = schemaOf({plain("Picture", ColumnType::Ole), textSchemaColumn(1049, 0)});
  auto ole = KeyEncoder::create(FileFormat::Jet4, s, {IndexColumn{10, true}});
  ASSERT_FALSE(ole.ok());
  EXPECT_EQ(ole.error().kind(), ErrorKind::Unsupported);
  EXPECT_NE(ole.error().message().find("Picture"), std::string::npos);
  auto russian = KeyEncoder::create(FileFormat::Jet4, s, {IndexColumn{11, true}});
  ASSERT_FALSE(russian.ok());
  EXPECT_NE(russian.error().message().find("LCID 1049"), std::string::npos);
  auto missing = KeyEncoder::create(FileFormat::Jet4, s, {IndexColumn{99, true}});
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().kind(), ErrorKind::Corrupt);
}

}  // namespace
}  // namespace ledgerfen::index
