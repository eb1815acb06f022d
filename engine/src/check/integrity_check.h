// The integrity check: reads every structure of the file and reports what
// does not agree, in the spirit of SQLite's integrity_check. It is both a
// feature (ledgerfen-db check) and the oracle of the write tests.
//
// Checked: each table's definition, usage maps and rows decode; its usage
// map lists only its own data pages and its free-space map only pages it
// owns; moved rows point to exactly one row flagged as moved there; every
// long value reads back to its declared length through long-value pages,
// and no long-value row serves two values; no page serves two objects; no
// page in use is free in the global map; each index's tree is whole, its
// entries are in order, carry the keys their rows give, and list every row
// once (table/index_check.h). Statistics that Access itself lets
// drift (moved-row homes whose first address was deleted, slots of the
// global map past the end of the file) are notes, and problems only in
// strict mode; a definition's row count and pages neither free nor used
// are always notes, as files Access made have them.
#pragma once

#include "db/database_core.h"
#include "ledgerfen/database.h"

namespace ledgerfen::check {

Result<IntegrityReport> checkIntegrity(const std::shared_ptr<Database::Core>& core, bool strict);

}  // namespace ledgerfen::check
