#include "import/column_guess.h"

#include <algorithm>
#include <cctype>

#include "ledgerfen/value_text.h"

namespace ledgerfen::cli {
namespace {

constexpr size_t kTextCharacters = 255;
constexpr uint8_t kWholeNumberDigits = 28;

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// UTF-16 code units of UTF-8 text: one per character, two past U+FFFF.
size_t utf16Length(std::string_view s) {
  size_t units = 0;
  for (unsigned char byte : s) {
    if ((byte & 0xC0) != 0x80) ++units;  // a character begins
    if (byte >= 0xF0) ++units;           // and needs a surrogate pair
  }
  return units;
}

// How a value is written as a number: digits with an optional sign, point
// and exponent. A leading zero before further digits makes it no number.
enum class NumberShape { None, Whole, Fraction };

struct Number {
  NumberShape shape = NumberShape::None;
  size_t digits = 0;  // of a whole number
};

Number numberShape(std::string_view s) {
  size_t i = 0;
  auto digitsFrom = [&](size_t from) {
    size_t k = from;
    while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
    return k - from;
  };
  if (i < s.size() && s[i] == '-') ++i;
  size_t whole = digitsFrom(i);
  if (whole > 1 && s[i] == '0') return {};
  i += whole;
  size_t fraction = 0;
  bool point = i < s.size() && s[i] == '.';
  if (point) {
    fraction = digitsFrom(++i);
    i += fraction;
  }
  if (whole + fraction == 0) return {};
  bool exponent = i < s.size() && (s[i] == 'e' || s[i] == 'E');
  if (exponent) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    size_t power = digitsFrom(i);
    if (power == 0) return {};
    i += power;
  }
  if (i != s.size()) return {};
  if (point || exponent) return {NumberShape::Fraction, 0};
  return {NumberShape::Whole, whole};
}

Column columnOf(ColumnType type) {
  Column column;
  column.name = "guess";
  column.type = type;
  return column;
}

// Whether the engine reads `text` as a value of a column of `type`.
bool readsAs(ColumnType type, std::string_view text) {
  static const Column kLong = columnOf(ColumnType::Long), kDouble = columnOf(ColumnType::Double),
                      kDate = columnOf(ColumnType::DateTime);
  const Column& column = type == ColumnType::Long ? kLong : type == ColumnType::Double ? kDouble : kDate;
  return parseValueText(column, text).ok();
}

}  // namespace

void ColumnGuess::see(std::string_view text) {
  if (text.empty()) return;
  seen_ = true;
  longest_ = std::max(longest_, utf16Length(text));
  std::string_view s = trim(text);
  if (yesNo_) {
    yesNo_ = equalsNoCase(s, "yes") || equalsNoCase(s, "no") || equalsNoCase(s, "true") || equalsNoCase(s, "false");
  }
  Number n = numberShape(s);
  if (long_) long_ = n.shape == NumberShape::Whole && readsAs(ColumnType::Long, s);
  if (wholeNumber_) wholeNumber_ = n.shape == NumberShape::Whole && n.digits <= kWholeNumberDigits;
  if (number_) number_ = n.shape != NumberShape::None && readsAs(ColumnType::Double, s);
  if (date_) date_ = readsAs(ColumnType::DateTime, s);
}

ColumnSpec ColumnGuess::column(const std::string& name, FileFormat format) const {
  ColumnSpec spec;
  spec.name = name;
  spec.type = ColumnType::Text;
  spec.size = kTextCharacters;
  if (!seen_) return spec;
  if (yesNo_) {
    spec.type = ColumnType::Boolean;
  } else if (long_) {
    spec.type = ColumnType::Long;
  } else if (wholeNumber_ && !isJet3(format)) {
    // Exact, where a Double would round numbers past 2^53 (long account or
    // card numbers).
    spec.type = ColumnType::Numeric;
    spec.precision = kWholeNumberDigits;
    spec.scale = 0;
  } else if (number_) {
    spec.type = ColumnType::Double;
  } else if (date_) {
    spec.type = ColumnType::DateTime;
  } else if (longest_ > kTextCharacters) {
    spec.type = ColumnType::Memo;
  }
  if (spec.type != ColumnType::Text) spec.size = 0;
  return spec;
}

}  // namespace ledgerfen::cli
