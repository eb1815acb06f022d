// The catalogue: the rows of MSysObjects, whose definition is always page 2.
#pragma once

#include <vector>

#include "db/database_core.h"

namespace ledgerfen::catalog {

Result<std::vector<CatalogEntry>> readCatalog(const std::shared_ptr<Database::Core>& core);

}  // namespace ledgerfen::catalog
