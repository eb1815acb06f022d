#include "ledgerfen/value_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

#include "ledgerfen/calendar.h"

namespace ledgerfen {
namespace {

__extension__ using UInt128 = unsigned __int128;

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

Error expected(const Column& c, const std::string& form) {
  return Error(ErrorKind::Constraint, "column " + c.name + " expects " + form);
}

std::string magnitudeText(UInt128 m) {
  // Most values fit 64 bits, where the digits come without 128-bit division.
  if (m <= UINT64_MAX) {
    char buf[20];
    const auto end = std::to_chars(buf, buf + sizeof buf, uint64_t(m)).ptr;
    return std::string(buf, end);
  }
  std::string digits;
  do {
    digits.push_back(char('0' + int(m % 10)));
    m /= 10;
  } while (m != 0);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// -, integer part, ".", `scale` digits, of a signed magnitude / 10^scale;
// trailing fraction zeros beyond `minDigits` dropped.
std::string decimalText(bool negative, UInt128 m, unsigned scale, unsigned minDigits) {
  std::string digits = magnitudeText(m);
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  const size_t point = digits.size() - scale;
  size_t end = digits.size();
  while (end > point + minDigits && digits[end - 1] == '0') --end;
  digits.resize(end);
  if (end > point) digits.insert(point, 1, '.');
  if (negative && m != 0) digits.insert(0, 1, '-');
  return digits;
}

struct ParsedDecimal {
  bool negative = false;
  UInt128 magnitude = 0;
  unsigned scale = 0;
};

std::optional<ParsedDecimal> parseDecimal(std::string_view s) {
  ParsedDecimal d;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    d.negative = s[0] == '-';
    s.remove_prefix(1);
  }
  bool digits = false, point = false;
  for (char ch : s) {
    if (ch == '.' && !point) {
      point = true;
      continue;
    }
    if (ch < '0' || ch > '9') return std::nullopt;
    if (d.magnitude > (~UInt128(0) - 9) / 10) return std::nullopt;
    d.magnitude = d.magnitude * 10 + UInt128(ch - '0');
    digits = true;
    if (point) ++d.scale;
  }
  if (!digits) return std::nullopt;
  return d;
}

// Brings a decimal to `scale` digits, rounding half away from zero.
UInt128 rescaled(const ParsedDecimal& d, unsigned scale, bool& overflow) {
  UInt128 m = d.magnitude;
  overflow = false;
  for (unsigned s = d.scale; s < scale; ++s) {
    if (m > ~UInt128(0) / 10) overflow = true;
    m *= 10;
  }
  if (d.scale > scale) {
    UInt128 div = 1;
    for (unsigned s = scale; s < d.scale; ++s) div *= 10;
    UInt128 rest = m % div;
    m = m / div + (rest * 2 >= div ? 1 : 0);
  }
  return m;
}

// Appends `value` as exactly `digits` decimal digits (the caller keeps it below 10^digits).
void appendDigits(std::string& out, uint64_t value, int digits) {
  char buf[20];
  for (int k = digits - 1; k >= 0; --k, value /= 10) buf[k] = char('0' + value % 10);
  out.append(buf, size_t(digits));
}

// Digits written by hand rather than by snprintf: exports format a date for
// every row, and this is several times faster.
std::string dateTimeText(const DateTimeParts& p) {
  std::string out;
  if (p.date.year >= 0 && p.date.year <= 9999) {
    appendDigits(out, uint64_t(p.date.year), 4);
  } else {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%04lld", static_cast<long long>(p.date.year));
    out.append(buf, size_t(n));
  }
  out += '-';
  appendDigits(out, p.date.month % 100, 2);
  out += '-';
  appendDigits(out, p.date.day % 100, 2);
  if (p.hour || p.minute || p.second || p.fraction) {
    out += ' ';
    appendDigits(out, p.hour % 100, 2);
    out += ':';
    appendDigits(out, p.minute % 100, 2);
    out += ':';
    appendDigits(out, p.second % 100, 2);
    if (p.fraction) {
      char buf[32];
      const int n =
          std::snprintf(buf, sizeof buf, ".%0*llu", int(p.fractionDigits), static_cast<unsigned long long>(p.fraction));
      out.append(buf, size_t(n));
    }
  }
  return out;
}

bool readNumber(std::string_view& s, size_t digits, unsigned& out) {
  if (s.size() < digits) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + digits, out);
  if (ec != std::errc() || end != s.data() + digits) return false;
  s.remove_prefix(digits);
  return true;
}

// "YYYY-MM-DD" then optionally " HH:MM[:SS[.fraction]]" (or "T" for the blank).
std::optional<DateTimeParts> parseDateTime(std::string_view s, unsigned maxFraction) {
  DateTimeParts p;
  unsigned year = 0;
  if (!readNumber(s, 4, year) || s.empty() || s[0] != '-') return std::nullopt;
  s.remove_prefix(1);
  if (!readNumber(s, 2, p.date.month) || s.empty() || s[0] != '-') return std::nullopt;
  s.remove_prefix(1);
  if (!readNumber(s, 2, p.date.day)) return std::nullopt;
  p.date.year = year;
  if (year < 1 || !isValidCivilDate(p.date)) return std::nullopt;
  if (s.empty()) return p;
  if (s[0] != ' ' && s[0] != 'T') return std::nullopt;
  s.remove_prefix(1);
  if (!readNumber(s, 2, p.hour) || s.empty() || s[0] != ':') return std::nullopt;
  s.remove_prefix(1);
  if (!readNumber(s, 2, p.minute)) return std::nullopt;
  if (!s.empty() && s[0] == ':') {
    s.remove_prefix(1);
    if (!readNumber(s, 2, p.second)) return std::nullopt;
    if (!s.empty() && s[0] == '.') {
      s.remove_prefix(1);
      if (s.empty() || s.size() > maxFraction) return std::nullopt;
      unsigned digits = unsigned(s.size());
      uint64_t fraction = 0;
      auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), fraction);
      if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
      p.fraction = fraction;
      p.fractionDigits = digits;
      s = {};
    }
  }
  if (!s.empty() || p.hour > 23 || p.minute > 59 || p.second > 59) return std::nullopt;
  return p;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename T>
Result<Value> parseWhole(const Column& c, std::string_view s) {
  int64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < std::numeric_limits<T>::min() ||
      v > std::numeric_limits<T>::max()) {
    return expected(c, "a whole number from " + std::to_string(std::numeric_limits<T>::min()) + " to " +
                           std::to_string(std::numeric_limits<T>::max()));
  }
  return Value(T(v));
}

Result<Value> parseFloating(const Column& c, std::string_view s, bool single) {
  double v = 0;
  if (equalsNoCase(s, "NaN")) {
    v = std::numeric_limits<double>::quiet_NaN();
  } else if (equalsNoCase(s, "Infinity") || equalsNoCase(s, "-Infinity")) {
    v = s[0] == '-' ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  } else {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return expected(c, "a number such as 12.5");
  }
  if (!single) return Value(v);
  if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max()) return expected(c, "a smaller number");
  return Value(float(v));
}

}  // namespace

std::string formatValueText(const Column& column, const Value& value) {
  return std::visit(
      [&](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return "";
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? "Yes" : "No";
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, int64_t>) {
          return std::to_string(x);
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          if (std::isnan(x)) return "NaN";
          if (std::isinf(x)) return x > 0 ? "Infinity" : "-Infinity";
          char buf[64];
          auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x);
          (void)ec;
          return std::string(buf, end);
        } else if constexpr (std::is_same_v<T, Currency>) {
          UInt128 m = x.units < 0 ? UInt128(-(x.units + 1)) + 1 : UInt128(x.units);
          return decimalText(x.units < 0, m, 4, 2);
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return decimalText(x.negative, (UInt128(x.high) << 64) | x.low, x.scale, x.scale);
        } else if constexpr (std::is_same_v<T, OleDate>) {
          DateTimeParts parts;
          if (!partsFromOleDate(x, parts)) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "#%.17g", x.days);  // a day count no calendar date names
            return buf;
          }
          return dateTimeText(parts);
        } else if constexpr (std::is_same_v<T, ExtendedDate>) {
          return dateTimeText(partsFromExtendedDate(x));
        } else if constexpr (std::is_same_v<T, std::string>) {
          return x;
        } else if constexpr (std::is_same_v<T, ByteString>) {
          static constexpr char kHex[] = "0123456789abcdef";
          std::string out = "0x";
          for (uint8_t b : x) {
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0xF]);
          }
          return out;
        } else if constexpr (std::is_same_v<T, Guid>) {
          static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
          static constexpr char kHex[] = "0123456789ABCDEF";
          std::string out = "{";
          for (int i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
            uint8_t b = x.bytes[size_t(kOrder[i])];
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0xF]);
          }
          return out + "}";
        } else {
          (void)column;
          return std::to_string(x.id);
        }
      },
      value);
}

Result<Value> parseValueText(const Column& c, std::string_view text) {
  if (c.type == ColumnType::Text || c.type == ColumnType::Memo) return Value(std::string(text));
  std::string_view s = trim(text);
  switch (c.type) {
    case ColumnType::Boolean:
      for (const char* yes : {"Yes", "True", "On", "1", "-1"}) {
        if (equalsNoCase(s, yes)) return Value(true);
      }
      for (const char* no : {"No", "False", "Off", "0"}) {
        if (equalsNoCase(s, no)) return Value(false);
      }
      return expected(c, "Yes or No");
    case ColumnType::Byte: return parseWhole<uint8_t>(c, s);
    case ColumnType::Integer: return parseWhole<int16_t>(c, s);
    case ColumnType::Long: return parseWhole<int32_t>(c, s);
    case ColumnType::BigInt: return parseWhole<int64_t>(c, s);
    case ColumnType::Single: return parseFloating(c, s, true);
    case ColumnType::Double: return parseFloating(c, s, false);
    case ColumnType::Currency: {
      auto d = parseDecimal(s);
      bool overflow = false;
      UInt128 m = d ? rescaled(*d, 4, overflow) : 0;
      if (!d || overflow || m > UInt128(std::numeric_limits<int64_t>::max())) {
        return expected(c, "an amount such as 1234.50");
      }
      return Value(Currency{d->negative ? -int64_t(m) : int64_t(m)});
    }
    case ColumnType::Numeric: {
      auto d = parseDecimal(s);
      bool overflow = false;
      UInt128 m = d ? rescaled(*d, c.scale, overflow) : 0;
      unsigned precision = c.precision ? c.precision : 28;
      if (!d || overflow || magnitudeText(m).size() > precision) {
        return expected(c, "a number of at most " + std::to_string(precision) + " digits, " + std::to_string(c.scale) +
                               " after the point");
      }
      Decimal out;
      out.negative = d->negative && m != 0;
      out.scale = c.scale;
      out.high = uint64_t(m >> 64);
      out.low = uint64_t(m);
      return Value(out);
    }
    case ColumnType::DateTime: {
      auto parts = parseDateTime(s, 3);
      if (!parts) return expected(c, "a date such as 2024-03-01 or 2024-03-01 14:05:09");
      return Value(oleDateFromParts(*parts));
    }
    case ColumnType::DateTimeExt: {
      auto parts = parseDateTime(s, 7);
      if (!parts) return expected(c, "a date such as 2024-03-01 14:05:09.1234567");
      return Value(extendedDateFromParts(*parts));
    }
    case ColumnType::Guid: {
      std::string hex;
      for (char ch : s) {
        if (ch != '{' && ch != '}' && ch != '-') hex.push_back(ch);
      }
      static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      Guid g;
      if (hex.size() != 32) return expected(c, "a GUID such as {01234567-89AB-CDEF-0123-456789ABCDEF}");
      for (int i = 0; i < 16; ++i) {
        int hi = hexDigit(hex[size_t(2 * i)]), lo = hexDigit(hex[size_t(2 * i + 1)]);
        if (hi < 0 || lo < 0) return expected(c, "a GUID such as {01234567-89AB-CDEF-0123-456789ABCDEF}");
        g.bytes[size_t(kOrder[i])] = uint8_t(hi * 16 + lo);
      }
      return Value(g);
    }
    case ColumnType::Complex: return expected(c, "no typed value (attachments are kept in their own table)");
    default: {  // Binary, OLE and unknown types: hex
      if (s.size() < 2 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X') || s.size() % 2) {
        return expected(c, "bytes written as 0x and hex digits");
      }
      ByteString bytes;
      for (size_t i = 2; i < s.size(); i += 2) {
        int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return expected(c, "bytes written as 0x and hex digits");
        bytes.push_back(uint8_t(hi * 16 + lo));
      }
      return Value(bytes);
    }
  }
}

}  // namespace ledgerfen
