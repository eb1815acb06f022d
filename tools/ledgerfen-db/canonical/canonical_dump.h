// The canonical dump of a database: JSON lines that an independent reader
// prints byte for byte the same (the oracle harness's CANON.md).
#pragma once

#include <ostream>

#include "ledgerfen/database.h"

namespace ledgerfen::canonical {

// Writes the dump of every user table to `out`. Rows are streamed: memory
// does not grow with the table.
Status writeCanonicalDump(Database& db, std::ostream& out);

// One row as the dump prints it: {"t":TABLE,"r":[...]} and a newline.
std::string rowLine(const TableSchema& schema, const Row& row);

}  // namespace ledgerfen::canonical
