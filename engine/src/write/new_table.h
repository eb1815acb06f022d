// Turns the description of a new table into its definition, checking it as
// Access checks one: names of 1 to 64 characters without . ! ` [ ], no
// leading blank and no control characters; no two columns or indexes of one
// name; sizes within what each type allows; at most one primary key.
#pragma once

#include <string>

#include "ledgerfen/schema.h"
#include "ledgerfen/table_spec.h"
#include "tdef/table_definition.h"

namespace ledgerfen::write {

// Checks a table, column or index name; the error names it and says why not.
Status checkObjectName(const std::string& name, const char* what);

// The definition of a table described by `spec`, without layout or pages.
// `textOrder` is the sort order of the database's new text columns.
Result<tdef::TableDefinition> definitionFor(const TableSpec& spec, FileFormat format, SortOrder textOrder);

}  // namespace ledgerfen::write
