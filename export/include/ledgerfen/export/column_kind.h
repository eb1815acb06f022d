// The kind of value a table's column holds, as the exports see it: whole
// and decimal numbers of every size are numbers, Currency is money, Date/Time
// (extended too) is a date, Yes/No a boolean. Text, Memo, GUIDs, binary
// data, OLE objects, attachments and columns of a type this program does not
// know are text. A calculated column is of the kind of its result.
#pragma once

#include "ledgerfen/export/grid_reader.h"
#include "ledgerfen/schema.h"

namespace ledgerfen::exporting {

ColumnKind columnKindOf(const Column& column);

}  // namespace ledgerfen::exporting
