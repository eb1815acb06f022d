// What a Table shares with its cursors.
#pragma once

#include <memory>

#include "db/database_core.h"

namespace ledgerfen {

struct Table::State {
  std::shared_ptr<Database::Core> core;
  uint32_t definitionPage = 0;
  std::string name;
  // The definition as the table was opened: its schema does not change while
  // it is open; counters are read from the database's current definition.
  std::shared_ptr<const tdef::TableDefinition> definition;
};

}  // namespace ledgerfen
