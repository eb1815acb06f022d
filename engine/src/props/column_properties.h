// Applies the properties Access keeps for a table's columns to its
// definition: a column whose Required property is Yes refuses NULL.
#pragma once

#include <memory>

#include "db/database_core.h"
#include "ledgerfen/table_spec.h"

namespace ledgerfen::props {

// Reads the LvProp blob of the table's catalogue row. A blob that cannot be
// read leaves the columns as they are: the table stays readable.
Status applyColumnProperties(const std::shared_ptr<Database::Core>& core, tdef::TableDefinition& def);

// The blob to store with a new table (empty when it needs none).
Result<ByteString> propertiesFor(const TableSpec& spec, FileFormat format);

}  // namespace ledgerfen::props
