// What a Table shares with its cursors.
#pragma once

#include <memory>

#include "db/database_core.h"

namespace ledgerfen {

struct Table::State {
  std::shared_ptr<Database::Core> core;
  std::shared_ptr<const tdef::TableDefinition> definition;
};

}  // namespace ledgerfen
