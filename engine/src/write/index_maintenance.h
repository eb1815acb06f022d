// Keeps a table's indexes in step with its rows: checks a row against the
// rules its indexes set (no NULL in a required index or primary key, no
// duplicate key in a unique one) before anything is written, then adds,
// removes or replaces its entries.
//
// An index whose keys cannot be made (a text column with a
// language-specific sort order) stops only the changes that would touch it,
// with an error naming the column and the sort order.
#pragma once

#include <optional>
#include <vector>

#include "db/database_core.h"
#include "index/key_encoder.h"

namespace ledgerfen::write {

// Jet's messages for the two rules indexes set.
inline constexpr const char* kDuplicateKeyMessage =
    "The changes you requested to the table were not successful because they would create duplicate values in the "
    "index, primary key, or relationship.";
inline constexpr const char* kNullKeyMessage = "Index or primary key cannot contain a Null value.";

class IndexMaintenance {
 public:
  IndexMaintenance(Database::Core& core, tdef::TableDefinition& def);

  // Checks `values` for a new row (`before` null) or for row `self` that
  // now holds `before`; only indexes whose key changes are consulted.
  Status check(const std::vector<Value>& values, const std::vector<Value>* before, format::RowPointer self);
  Status add(format::RowPointer row, const std::vector<Value>& values);
  Status remove(format::RowPointer row, const std::vector<Value>& values);
  Status replace(format::RowPointer row, const std::vector<Value>& before, const std::vector<Value>& after);

 private:
  struct Plan {
    size_t real = 0;
    Result<index::KeyEncoder> encoder = Error(ErrorKind::Unsupported, "");
    bool unique = false;
    bool ignoreNulls = false;
    bool required = false;  // required, or the primary key
  };
  // The entry's key, or nullopt when an ignore-nulls index leaves the row out.
  Result<std::optional<std::vector<uint8_t>>> keyOf(const Plan& plan, const std::vector<Value>& values) const;
  Status addEntry(const Plan& plan, format::RowPointer row, const std::vector<uint8_t>& key);
  Status removeEntry(const Plan& plan, format::RowPointer row, const std::vector<uint8_t>& key);
  Status countKeys(const Plan& plan, int delta);

  Database::Core& core_;
  tdef::TableDefinition& def_;
  std::vector<Plan> plans_;
};

}  // namespace ledgerfen::write
