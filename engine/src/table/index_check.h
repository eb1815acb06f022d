// Checks one stored index against its table: the tree's pages and links,
// the order of the entries, that each entry's key is the one its row's
// values give, and that every row is listed exactly once (rows whose indexed
// values are all NULL are left out of ignore-nulls indexes). Used by
// Table::checkIndexes and the integrity check.
#pragma once

#include <memory>
#include <string>

#include "db/database_core.h"

namespace ledgerfen::table {

// The name of stored index `realIndex`: that of the first logical index it
// backs, or "stored index N".
std::string storedIndexName(const tdef::TableDefinition& def, size_t realIndex);

// Fills `check` (whose `index` names it) for stored index `realIndex` of
// `def`. Damage goes into `check`; an error means the table itself could not
// be read.
Status checkIndex(const std::shared_ptr<Database::Core>& core, const std::shared_ptr<const tdef::TableDefinition>& def,
                  size_t realIndex, IndexCheck& check);

}  // namespace ledgerfen::table
