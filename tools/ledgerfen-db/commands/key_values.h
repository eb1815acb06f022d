// Values typed on the command line, read as the type of the column they are
// meant for.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/schema.h"
#include "ledgerfen/value.h"

namespace ledgerfen::cli {

// Reads `text` as a value of `column`'s type; false, with `error` set, when
// it is not one. NULL stands for the missing value; text is taken as it is.
// Forms: integers and decimals as written (1, -2.5); Yes/No as true, false,
// yes, no, 1 or 0; dates as YYYY-MM-DD[THH:MM:SS[.fraction]]; GUIDs as
// {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}; binary as 0x followed by hex digits.
bool parseColumnValue(const Column& column, std::string_view text, Value& value, std::string& error);

}  // namespace ledgerfen::cli
