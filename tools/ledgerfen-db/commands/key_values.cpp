#include "commands/key_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace ledgerfen::cli {
namespace {

__extension__ using UInt128 = unsigned __int128;

constexpr int64_t kOleEpochDays = -25569;         // 1899-12-30 from 1970-01-01
constexpr int64_t kExtendedEpochDays = -719'162;  // 0001-01-01 from 1970-01-01
constexpr uint64_t kTicksPerSecond = 10'000'000;

template <typename T>
bool parseInteger(std::string_view text, T& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

// Sign, digits and at most one decimal point: the magnitude and how many
// digits follow the point.
bool parseDecimal(std::string_view text, bool& negative, UInt128& magnitude, unsigned& scale) {
  negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  magnitude = 0;
  scale = 0;
  bool point = false, digits = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      if (magnitude > (~UInt128(0) - 9) / 10 || scale >= 28) return false;
      magnitude = magnitude * 10 + unsigned(c - '0');
      scale += point;
      digits = true;
    } else {
      return false;
    }
  }
  return digits;
}

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

// YYYY-MM-DD[THH:MM:SS[.fraction]] (a space may stand for the T): days from
// 1970-01-01 and 100-ns units into the day.
bool parseDateTime(std::string_view text, int64_t& days, uint64_t& ticks) {
  auto number = [&](size_t at, size_t length, unsigned& out) {
    return at + length <= text.size() && parseInteger(text.substr(at, length), out);
  };
  unsigned year, month, day, hour = 0, minute = 0, second = 0;
  if (!number(0, 4, year) || text.size() < 10 || text[4] != '-' || !number(5, 2, month) || text[7] != '-' ||
      !number(8, 2, day) || month < 1 || month > 12 || day < 1 || day > 31) {
    return false;
  }
  ticks = 0;
  if (text.size() > 10) {
    if ((text[10] != 'T' && text[10] != ' ') || text.size() < 19 || text[13] != ':' || text[16] != ':' ||
        !number(11, 2, hour) || !number(14, 2, minute) || !number(17, 2, second) || hour > 23 || minute > 59 ||
        second > 59) {
      return false;
    }
    if (text.size() > 19) {
      std::string_view fraction = text.substr(20);
      if (text[19] != '.' || fraction.empty() || fraction.size() > 7) return false;
      unsigned f;
      if (!parseInteger(fraction, f)) return false;
      for (size_t i = fraction.size(); i < 7; ++i) f *= 10;
      ticks = f;
    }
  }
  const int64_t monthStart = daysFromCivil(year, month, 1);
  const int64_t nextMonth = month == 12 ? daysFromCivil(int64_t(year) + 1, 1, 1) : daysFromCivil(year, month + 1, 1);
  if (day > nextMonth - monthStart) return false;
  days = monthStart + day - 1;
  ticks += (uint64_t(hour) * 3600 + minute * 60 + second) * kTicksPerSecond;
  return true;
}

bool parseGuid(std::string_view text, Guid& guid) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return false;
  uint8_t bytes[16];
  size_t n = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i++] != '-') return false;
      continue;
    }
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, bytes[n], 16);
    if (ec != std::errc() || end != text.data() + i + 2) return false;
    ++n;
    i += 2;
  }
  // Windows layout: the first three fields little-endian.
  const uint8_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (size_t i = 0; i < 16; ++i) guid.bytes[i] = bytes[order[i]];
  return true;
}

bool parseBinary(std::string_view text, ByteString& out) {
  if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || text.size() % 2) return false;
  out.clear();
  for (size_t i = 2; i < text.size(); i += 2) {
    uint8_t b;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, b, 16);
    if (ec != std::errc() || end != text.data() + i + 2) return false;
    out.push_back(b);
  }
  return true;
}

template <typename T>
bool setInteger(std::string_view text, Value& value) {
  T v;
  if (!parseInteger(text, v)) return false;
  value = v;
  return true;
}

}  // namespace

bool parseColumnValue(const Column& column, std::string_view text, Value& value, std::string& error) {
  if (text == "NULL") {
    value = std::monostate{};
    return true;
  }
  bool ok = false;
  std::string expected;
  switch (column.type) {
    case ColumnType::Text:
    case ColumnType::Memo: value = std::string(text); return true;
    case ColumnType::Byte: ok = setInteger<uint8_t>(text, value), expected = "a whole number from 0 to 255"; break;
    case ColumnType::Integer:
      ok = setInteger<int16_t>(text, value), expected = "a whole number from -32768 to 32767";
      break;
    case ColumnType::Long: ok = setInteger<int32_t>(text, value), expected = "a 32-bit whole number"; break;
    case ColumnType::BigInt: ok = setInteger<int64_t>(text, value), expected = "a 64-bit whole number"; break;
    case ColumnType::Complex: {
      int32_t id;
      ok = parseInteger(text, id), expected = "a 32-bit whole number";
      if (ok) value = ComplexKey{id};
      break;
    }
    case ColumnType::Boolean: {
      std::string lower;
      for (char c : text) lower.push_back(char(std::tolower(uint8_t(c))));
      ok = lower == "true" || lower == "yes" || lower == "1" || lower == "false" || lower == "no" || lower == "0";
      expected = "true or false";
      if (ok) value = lower == "true" || lower == "yes" || lower == "1";
      break;
    }
    case ColumnType::Currency: {
      bool negative;
      UInt128 magnitude;
      unsigned scale;
      expected = "an amount with at most 4 decimal places";
      if (parseDecimal(text, negative, magnitude, scale) && scale <= 4) {
        for (; scale < 4; ++scale) magnitude *= 10;
        if (magnitude <= UInt128(std::numeric_limits<int64_t>::max()) + negative) {
          value = Currency{negative ? int64_t(-magnitude) : int64_t(magnitude)};
          ok = true;
        }
      }
      break;
    }
    case ColumnType::Numeric: {
      bool negative;
      UInt128 magnitude;
      unsigned scale;
      expected = "a decimal number";
      if (parseDecimal(text, negative, magnitude, scale)) {
        value = Decimal{negative, uint8_t(scale), uint64_t(magnitude >> 64), uint64_t(magnitude)};
        ok = true;
      }
      break;
    }
    case ColumnType::Single:
    case ColumnType::Double: {
      std::string copy(text);
      char* end = nullptr;
      double d = std::strtod(copy.c_str(), &end);
      ok = !copy.empty() && end == copy.c_str() + copy.size() && !std::isspace(uint8_t(copy[0]));
      expected = "a number";
      if (ok && column.type == ColumnType::Single)
        value = float(d);
      else if (ok)
        value = d;
      break;
    }
    case ColumnType::DateTime: {
      int64_t days;
      uint64_t ticks;
      expected = "a date as YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS";
      if (parseDateTime(text, days, ticks)) {
        // Before 1899-12-30 the day counts down while the time of day still counts up.
        double day = double(days - kOleEpochDays), time = double(ticks) / (86400.0 * kTicksPerSecond);
        value = OleDate{day < 0 ? day - time : day + time};
        ok = true;
      }
      break;
    }
    case ColumnType::DateTimeExt: {
      int64_t days;
      uint64_t ticks;
      expected = "a date as YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS[.fffffff] from year 1 on";
      if (parseDateTime(text, days, ticks) && days >= kExtendedEpochDays) {
        value = ExtendedDate{uint64_t(days - kExtendedEpochDays), ticks};
        ok = true;
      }
      break;
    }
    case ColumnType::Guid: {
      Guid g;
      ok = parseGuid(text, g), expected = "a GUID as {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
      if (ok) value = g;
      break;
    }
    case ColumnType::Binary: {
      ByteString bytes;
      ok = parseBinary(text, bytes), expected = "bytes as 0x followed by hex digits";
      if (ok) value = std::move(bytes);
      break;
    }
    default: error = "column " + column.name + " cannot be searched by value"; return false;
  }
  if (!ok) error = "column " + column.name + " needs " + expected + ", not \"" + std::string(text) + "\"";
  return ok;
}

}  // namespace ledgerfen::cli
