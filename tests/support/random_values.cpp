#include "support/random_values.h"

#include <cstring>

namespace ledgerfen::test {
namespace {

// Characters to build text from, as UTF-8: each entry is one character.
const char* const kUnicodePieces[] = {
    "a",
    "b",
    "Z",
    "0",
    "9",
    " ",
    "-",
    "'",
    ",",
    ".",
    "\"",
    "&",
    "<",
    "\xC3\xA9",
    "\xC3\x89",
    "\xC3\xBC",
    "\xC3\x9F",
    "\xC3\xB1",
    "\xC5\x93",
    "\xE2\x82\xAC",
    "\xE4\xB8\x80",
    "\xE6\x97\xA5",
    "\xE6\x9C\xAC",
    "\xD0\x96",
    "\xCE\xA9",
    "\xF0\x9F\x98\x80",
    "\xF0\x9F\x8C\x8D",
    "\xE2\x9C\x93",
    "\t",
};
// Jet3 text is stored in code page 1252.
const char* const kLatin1Pieces[] = {"a",        "b",        "Z",        "0",           "9",        " ",
                                     "-",        "'",        ",",        ".",           "\xC3\xA9", "\xC3\x89",
                                     "\xC3\xBC", "\xC3\x9F", "\xC3\xB1", "\xE2\x82\xAC"};

std::string randomText(size_t maxChars, bool latin1, const RandomValueOptions& options, std::mt19937& random) {
  size_t length = maxChars == 0 ? 0 : random() % (maxChars + 1);
  if (length == 0 && !options.emptyText) length = 1;
  if (random() % 4 == 0) length = std::min<size_t>(length, 12);
  std::string out;
  size_t units = 0;
  while (units < length) {
    const char* piece = latin1 ? kLatin1Pieces[random() % std::size(kLatin1Pieces)]
                               : kUnicodePieces[random() % std::size(kUnicodePieces)];
    size_t pieceUnits = std::strlen(piece) == 4 ? 2 : 1;  // four UTF-8 bytes: a surrogate pair
    if (pieceUnits == 2 && !options.outsideBmp) continue;
    if (units + pieceUnits > length) break;
    out += piece;
    units += pieceUnits;
  }
  return out;
}

ByteString randomBytes(size_t maxBytes, std::mt19937& random) {
  ByteString out(maxBytes == 0 ? 0 : random() % (maxBytes + 1));
  for (auto& b : out) b = uint8_t(random());
  return out;
}

int64_t randomInt64(std::mt19937& random) {
  return int64_t((uint64_t(random()) << 32) | random());
}

}  // namespace

bool isTestWritable(const Column& c) {
  return !c.calculated && c.type != ColumnType::Complex && !c.autoNumber;
}

Value randomValue(const Column& c, FileFormat format, std::mt19937& random, RandomValueOptions options) {
  if (c.type == ColumnType::Boolean) return bool(random() % 2);
  if (options.allowNull && random() % 6 == 0) return {};
  const bool jet3 = format == FileFormat::Jet3;
  switch (c.type) {
    case ColumnType::Byte: return uint8_t(random());
    case ColumnType::Integer: return int16_t(random());
    case ColumnType::Long: return int32_t(random());
    case ColumnType::BigInt: return randomInt64(random);
    case ColumnType::Currency: return Currency{randomInt64(random) % 1'000'000'000'000'000};
    case ColumnType::Single: return float(std::uniform_real_distribution<double>(-1e6, 1e6)(random));
    case ColumnType::Double:
      return std::uniform_real_distribution<double>(-1e12, 1e12)(random) / double(1 + random() % 1000);
    case ColumnType::DateTime: {
      // Years 1700 to 2100, to the millisecond, dates before 1899-12-30 included.
      double day = double(int64_t(random() % 146'000) - 73'000);
      double ms = double(random() % 86'400'000);
      return OleDate{day >= 0 ? day + ms / 86'400'000.0 : day - ms / 86'400'000.0};
    }
    case ColumnType::DateTimeExt:
      return ExtendedDate{uint64_t(random() % 3'652'059),
                          (uint64_t(random()) << 8 | random() % 256) % 864'000'000'000ull};
    case ColumnType::Guid: {
      Guid g;
      for (auto& b : g.bytes) b = uint8_t(random());
      return g;
    }
    case ColumnType::Numeric: {
      Decimal d;
      d.scale = c.scale;
      uint64_t limit = 1;
      for (unsigned i = 0; i < std::min<unsigned>(c.precision ? c.precision : 18, 18); ++i) limit *= 10;
      d.low = (uint64_t(random()) << 32 | random()) % limit;
      d.negative = d.low != 0 && random() % 2;
      return d;
    }
    case ColumnType::Text: return randomText(jet3 ? c.length : c.length / 2u, jet3, options, random);
    case ColumnType::Memo: {
      size_t limits[] = {0, 20, 40, 300, 2100, 5000, 12000};
      return randomText(limits[random() % std::size(limits)], jet3, options, random);
    }
    case ColumnType::Ole: {
      size_t limits[] = {0, 30, 64, 65, 3000, 9000};
      return randomBytes(limits[random() % std::size(limits)], random);
    }
    default:  // Binary and unknown types
      return randomBytes(c.length, random);
  }
}

}  // namespace ledgerfen::test
