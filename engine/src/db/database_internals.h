// The way into an open Database's state, for the engine's own code that
// works on a whole database (creating one) and for the engine's tests. The
// public API has no such door.
#pragma once

#include <memory>

#include "db/database_core.h"

namespace ledgerfen {

class DatabaseInternals {
 public:
  static const std::shared_ptr<Database::Core>& core(const Database& db) { return db.core_; }
};

}  // namespace ledgerfen
