// The simple description of a table that create-table takes:
//
//   COLUMN ...   "Name TYPE[(SIZE[,SCALE])] [required] [autonumber] [primary] [unique]"
//   --index "NAME: COLUMN [desc], COLUMN [desc] [unique] [ignore-nulls]" (repeatable)
//
// TYPE is one of yes/no, byte, integer, long, currency, single, double,
// datetime, binary, text, ole, memo, guid, decimal, bigint, datetimeext.
// "primary" and "unique" on a column make a one-column index of it.
#pragma once

#include <string>
#include <vector>

#include "ledgerfen/status.h"
#include "ledgerfen/table_spec.h"

namespace ledgerfen::cli {

Result<TableSpec> parseTableDescription(const std::string& table, const std::vector<std::string>& columns,
                                        const std::vector<std::string>& indexes);

}  // namespace ledgerfen::cli
