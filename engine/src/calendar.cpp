#include "ledgerfen/calendar.h"

#include <cmath>

namespace ledgerfen {
namespace {

constexpr int64_t kOleEpochDays = -25569;        // 1899-12-30 from 1970-01-01
constexpr int64_t kExtendedEpochDays = -719162;  // 0001-01-01 from 1970-01-01
constexpr int64_t kMsPerDay = 86'400'000;
constexpr uint64_t kTicksPerSecond = 10'000'000;

uint64_t toUnits(uint64_t fraction, unsigned digits, unsigned wanted) {
  while (digits > wanted) {
    fraction /= 10;
    --digits;
  }
  while (digits < wanted) {
    fraction *= 10;
    ++digits;
  }
  return fraction;
}

}  // namespace

int64_t daysFromCivil(const CivilDate& date) {
  const int64_t y = date.year - (date.month <= 2);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned mp = date.month > 2 ? date.month - 3 : date.month + 9;
  const unsigned doy = (153 * mp + 2) / 5 + date.day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

CivilDate civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {int64_t(yoe) + era * 400 + (m <= 2), m, d};
}

bool isValidCivilDate(const CivilDate& date) {
  if (date.month < 1 || date.month > 12 || date.day < 1) return false;
  CivilDate back = civilFromDays(daysFromCivil(date));
  return back.year == date.year && back.month == date.month && back.day == date.day;
}

OleDate oleDateFromParts(const DateTimeParts& p) {
  const double day = double(daysFromCivil(p.date) - kOleEpochDays);
  const int64_t ms =
      ((int64_t(p.hour) * 60 + p.minute) * 60 + p.second) * 1000 + int64_t(toUnits(p.fraction, p.fractionDigits, 3));
  const double time = double(ms) / double(kMsPerDay);
  return OleDate{day >= 0 ? day + time : day - time};
}

bool partsFromOleDate(OleDate date, DateTimeParts& p) {
  const double v = date.days;
  if (!std::isfinite(v) || std::fabs(v) > 3e6) return false;
  int64_t day = int64_t(std::trunc(v));
  int64_t ms = std::llround(std::fabs(v - double(day)) * double(kMsPerDay));
  if (ms >= kMsPerDay) {  // rounded up to midnight: the next day begins
    ms -= kMsPerDay;
    ++day;
  }
  p.date = civilFromDays(day + kOleEpochDays);
  if (p.date.year < 1 || p.date.year > 9999) return false;
  p.hour = unsigned(ms / 3'600'000);
  p.minute = unsigned(ms / 60'000 % 60);
  p.second = unsigned(ms / 1000 % 60);
  p.fraction = uint64_t(ms % 1000);
  p.fractionDigits = 3;
  return true;
}

ExtendedDate extendedDateFromParts(const DateTimeParts& p) {
  const uint64_t seconds = (uint64_t(p.hour) * 60 + p.minute) * 60 + p.second;
  return ExtendedDate{uint64_t(daysFromCivil(p.date) - kExtendedEpochDays),
                      seconds * kTicksPerSecond + toUnits(p.fraction, p.fractionDigits, 7)};
}

DateTimeParts partsFromExtendedDate(const ExtendedDate& date) {
  DateTimeParts p;
  p.date = civilFromDays(int64_t(date.days) + kExtendedEpochDays);
  const uint64_t seconds = date.ticks / kTicksPerSecond;
  p.hour = unsigned(seconds / 3600);
  p.minute = unsigned(seconds / 60 % 60);
  p.second = unsigned(seconds % 60);
  p.fraction = date.ticks % kTicksPerSecond;
  p.fractionDigits = 7;
  return p;
}

}  // namespace ledgerfen
