// Proleptic Gregorian calendar arithmetic on day counts, and the two ways
// Access stores a moment. Plain functions; safe from any thread.
#pragma once

#include <cstdint>

#include "ledgerfen/value.h"

namespace ledgerfen {

struct CivilDate {
  int64_t year = 1970;
  unsigned month = 1, day = 1;
};

struct DateTimeParts {
  CivilDate date;
  unsigned hour = 0, minute = 0, second = 0;
  uint64_t fraction = 0;  // below the second, in units of 10^-fractionDigits
  unsigned fractionDigits = 0;
};

// Days from 1970-01-01 to `date` and back.
int64_t daysFromCivil(const CivilDate& date);
CivilDate civilFromDays(int64_t days);
bool isValidCivilDate(const CivilDate& date);

// Date/Time: days since 1899-12-30, the time of day as a positive fraction
// also before that day. Milliseconds are the finest unit kept.
OleDate oleDateFromParts(const DateTimeParts& parts);
// Fails (returns false) for values outside years 1 to 9999 or not finite.
bool partsFromOleDate(OleDate date, DateTimeParts& parts);

// Date/Time Extended: days since 0001-01-01 and 100-ns units.
ExtendedDate extendedDateFromParts(const DateTimeParts& parts);
DateTimeParts partsFromExtendedDate(const ExtendedDate& date);

}  // namespace ledgerfen
