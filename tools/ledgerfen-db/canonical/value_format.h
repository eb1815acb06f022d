// Cell values as the canonical dump prints them (see the oracle harness's
// CANON.md): numbers the way ECMAScript prints them, exact decimals, ISO
// dates computed exactly as the reference reader computes them.
#pragma once

#include <string>

#include "ledgerfen/value.h"

namespace ledgerfen::canonical {

__extension__ using UInt128 = unsigned __int128;

// ECMAScript Number::toString of a finite double ("-0" for negative zero).
void appendEcmaNumber(std::string& out, double value);
// -, integer part, then "." and exactly `scale` digits when scale > 0.
void appendDecimal(std::string& out, bool negative, UInt128 magnitude, unsigned scale);
// YYYY-MM-DDTHH:MM:SS[.fff], or <invalid date>.
void appendOleDate(std::string& out, double days);
// YYYY-MM-DDTHH:MM:SS[.fffffff].
void appendExtendedDate(std::string& out, const ExtendedDate& date);
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
void appendGuid(std::string& out, const Guid& guid);

}  // namespace ledgerfen::canonical
