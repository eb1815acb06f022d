// One text form for every value, independent of the locale, that reads back
// to the same value: what the grid shows and parses, and what scripts give
// ledgerfen-db.
//
//   Yes/No          "Yes" / "No" (also read: True, False, 1, 0, -1, any case)
//   whole numbers   "-12"
//   Currency        "1234.50": at least two decimals, at most four
//   Single, Double  the shortest text that reads back to the same number;
//                   "NaN", "Infinity", "-Infinity"
//   Decimal         exactly the column's scale: "50.325000"
//   Date/Time       "2024-03-01", or "2024-03-01 14:05:09", or with ".123"
//                   for milliseconds; years 1 to 9999 (dates before 1899-12-30 too)
//   Date/Time Ext.  "2024-03-01 14:05:09.1234567" (fraction when non-zero)
//   GUID            "{01234567-89AB-CDEF-0123-456789ABCDEF}"
//   Binary, OLE     "0x" and lower-case hex
//   Text, Memo      the text itself
// NULL has no text form of its own: callers decide how to show it.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/schema.h"
#include "ledgerfen/status.h"
#include "ledgerfen/value.h"

namespace ledgerfen {

std::string formatValueText(const Column& column, const Value& value);
// Parses `text` as a value of the column's type; a Constraint error whose
// message says what form was expected.
Result<Value> parseValueText(const Column& column, std::string_view text);

}  // namespace ledgerfen
