// Enforced relationships between tables (referential integrity), as Jet
// keeps them: a row that refers to another table needs the row it refers
// to; a referenced row cannot go, or change its key, while rows refer to
// it, unless the relationship cascades (deleting, updating or setting the
// references to NULL along with it). Cascades run through the same writer,
// in the same transaction, so they obey every rule in turn.
#pragma once

#include <memory>
#include <vector>

#include "db/database_core.h"

namespace ledgerfen::write {

// Jet's messages for the two rules.
inline constexpr const char* kMissingReferenceMessage =
    "You cannot add or change a record because a related record is required in table '";
inline constexpr const char* kReferencedMessage = "The record cannot be deleted or changed because table '";

class Relationships {
 public:
  Relationships(std::shared_ptr<Database::Core> core, const tdef::TableDefinition& def, int depth)
      : core_(std::move(core)), def_(def), depth_(depth) {}

  // The rows a new or changed row (`before` null for a new one) refers to exist.
  Status checkReferences(const std::vector<Value>& values, const std::vector<Value>* before);
  // Rows referring to a row about to be deleted: refused, deleted or set to NULL.
  Status beforeDelete(const std::vector<Value>& values);
  // Rows referring to a row whose key has just changed: refused or changed with it.
  Status afterKeyChange(const std::vector<Value>& before, const std::vector<Value>& after);

 private:
  struct Side {
    std::shared_ptr<tdef::TableDefinition> def;
    std::string name;
    size_t index = 0;  // position of the relationship's index in def->schema.indexes
  };
  Result<Side> otherSide(const tdef::Relationship& r);
  // `values` of this table's row, as a row of `other` holding the same key in its index's columns.
  std::vector<Value> keyRowFor(const tdef::Relationship& r, const Side& other, const std::vector<Value>& values) const;
  Result<std::vector<RowId>> rowsWithKey(const Side& side, const std::vector<Value>& keyRow);
  bool keyChanged(const tdef::Relationship& r, const std::vector<Value>& before, const std::vector<Value>& after) const;
  bool keyIsNull(const tdef::Relationship& r, const std::vector<Value>& values) const;

  std::shared_ptr<Database::Core> core_;
  const tdef::TableDefinition& def_;
  int depth_;
};

}  // namespace ledgerfen::write
