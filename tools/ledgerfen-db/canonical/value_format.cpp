#include "canonical/value_format.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <string_view>

#include "ledgerfen/calendar.h"

namespace ledgerfen::canonical {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;
constexpr int64_t kOleEpochMs = -2'209'161'600'000;  // 1899-12-30T00:00 from 1970-01-01
constexpr double kMaxInstantMs = 8.64e15;            // the range of an ECMAScript Date
constexpr int64_t kExtendedEpochDays = -719'162;     // 0001-01-01 from 1970-01-01

// Appends `v` in decimal with at least `width` digits, zeros in front.
void appendPadded(std::string& out, uint64_t v, size_t width) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  const size_t n = size_t(end - buf);
  if (n < width) out.append(width - n, '0');
  out.append(buf, n);
}

void appendDateTime(std::string& out, int64_t days, unsigned seconds) {
  CivilDate c = civilFromDays(days);
  if (c.year >= 0 && c.year <= 9999) {
    appendPadded(out, uint64_t(c.year), 4);
  } else {
    out.push_back(c.year < 0 ? '-' : '+');
    appendPadded(out, c.year < 0 ? -uint64_t(c.year) : uint64_t(c.year), 6);
  }
  out.push_back('-');
  appendPadded(out, c.month, 2);
  out.push_back('-');
  appendPadded(out, c.day, 2);
  out.push_back('T');
  appendPadded(out, seconds / 3600, 2);
  out.push_back(':');
  appendPadded(out, seconds / 60 % 60, 2);
  out.push_back(':');
  appendPadded(out, seconds % 60, 2);
}

}  // namespace

void appendEcmaNumber(std::string& out, double v) {
  if (v == 0) {
    out += std::signbit(v) ? "-0" : "0";
    return;
  }
  char sci[32];
  auto [end, ec] = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific);
  (void)ec;
  std::string_view s(sci, size_t(end - sci));
  if (s.front() == '-') {
    out.push_back('-');
    s.remove_prefix(1);
  }
  size_t e = s.find('e');
  char digitChars[32];
  digitChars[0] = s[0];
  if (e > 1) s.copy(digitChars + 1, e - 2, 2);  // skip the '.'
  const std::string_view digits(digitChars, e > 1 ? e - 1 : 1);
  int exponent = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
  const int k = int(digits.size());
  const int n = exponent + 1;  // value = 0.d1...dk x 10^n
  if (k <= n && n <= 21) {
    out += digits;
    out.append(size_t(n - k), '0');
  } else if (0 < n && n <= 21) {
    out.append(digits.substr(0, size_t(n)));
    out.push_back('.');
    out.append(digits.substr(size_t(n)));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(size_t(-n), '0');
    out += digits;
  } else {
    out.push_back(digits[0]);
    if (k > 1) {
      out.push_back('.');
      out.append(digits.substr(1));
    }
    out.push_back('e');
    out.push_back(n - 1 >= 0 ? '+' : '-');
    out += std::to_string(std::abs(n - 1));
  }
}

void appendDecimal(std::string& out, bool negative, UInt128 magnitude, unsigned scale) {
  if (negative && magnitude != 0) out.push_back('-');
  char buffer[40];  // 2^128 has 39 digits
  char* first = std::end(buffer);
  if (magnitude >> 64 == 0) {  // the common case, without 128-bit division
    uint64_t small = uint64_t(magnitude);
    do {
      *--first = char('0' + int(small % 10));
      small /= 10;
    } while (small != 0);
  } else {
    do {
      *--first = char('0' + int(magnitude % 10));
      magnitude /= 10;
    } while (magnitude != 0);
  }
  const std::string_view digits(first, size_t(std::end(buffer) - first));
  if (digits.size() <= scale) {  // at least one integer digit
    out += "0.";
    out.append(scale - digits.size(), '0');
    out += digits;
    return;
  }
  const size_t integer = digits.size() - scale;
  out += digits.substr(0, integer);
  if (scale > 0) {
    out.push_back('.');
    out += digits.substr(integer);
  }
}

void appendOleDate(std::string& out, double v) {
  constexpr const char* kInvalid = "<invalid date>";
  if (!std::isfinite(v)) {
    out += kInvalid;
    return;
  }
  const double x = ((v - 25569.0) * 86400.0) * 1000.0;
  double ms = std::floor(x);
  if (x - ms >= 0.5) ms += 1;  // halves toward +infinity, as Math.round
  if (!(std::fabs(ms) <= kMaxInstantMs)) {
    out += kInvalid;
    return;
  }
  int64_t rel = int64_t(ms) - kOleEpochMs;  // ms since 1899-12-30 00:00
  if (rel < 0) {                            // the integer part is the day, the fraction a positive time of day
    int64_t d = -rel / kMsPerDay;
    rel = -d * kMsPerDay + (-rel - d * kMsPerDay);
  }
  const int64_t instant = rel + kOleEpochMs;
  if (std::llabs(instant) > int64_t(kMaxInstantMs)) {
    out += kInvalid;
    return;
  }
  int64_t days = instant / kMsPerDay;
  int64_t msOfDay = instant % kMsPerDay;
  if (msOfDay < 0) {
    msOfDay += kMsPerDay;
    --days;
  }
  appendDateTime(out, days, unsigned(msOfDay / 1000));
  if (int frac = int(msOfDay % 1000); frac != 0) {
    out.push_back('.');
    appendPadded(out, uint64_t(frac), 3);
  }
}

void appendExtendedDate(std::string& out, const ExtendedDate& date) {
  constexpr uint64_t kTicksPerSecond = 10'000'000;
  appendDateTime(out, int64_t(date.days) + kExtendedEpochDays, unsigned(date.ticks / kTicksPerSecond));
  if (uint64_t frac = date.ticks % kTicksPerSecond; frac != 0) {
    out.push_back('.');
    appendPadded(out, frac, 7);
  }
}

void appendGuid(std::string& out, const Guid& guid) {
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('{');
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    uint8_t b = guid.bytes[size_t(kOrder[i])];
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  out.push_back('}');
}

}  // namespace ledgerfen::canonical
