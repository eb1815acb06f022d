// Stores a new table: its definition and the empty structures it names.
//
// From a definition whose schema holds the columns (numbers, types, lengths,
// flags) and the logical indexes, this lays out the rows (fixed offsets and
// variable indexes in column-number order), gives each logical index a
// stored index of its own with an empty root leaf, creates the usage maps
// of the table's pages, of each index and of each Memo/OLE column as rows
// on a usage-map page, and writes the definition on `definitionPage` (a new
// page when 0) and on continuation pages as it needs. Registering the table
// in the catalogue is the caller's part.
#pragma once

#include <cstdint>

#include "db/database_core.h"

namespace ledgerfen::write {

// Fills in the layout of the columns: fixed offsets, variable indexes, max columns.
void layOutColumns(tdef::TableDefinition& def);

// Returns the definition's first page.
Result<uint32_t> storeNewTable(Database::Core& core, tdef::TableDefinition def, uint32_t definitionPage = 0);

}  // namespace ledgerfen::write
