#include "write/index_maintenance.h"

#include "db/write_session.h"
#include "index/index_writer.h"
#include "tdef/tdef_writer.h"

namespace ledgerfen::write {

IndexMaintenance::IndexMaintenance(Database::Core& core, tdef::TableDefinition& def) : core_(core), def_(def) {
  for (size_t r = 0; r < def.realIndexes.size(); ++r) {
    const tdef::RealIndex& real = def.realIndexes[r];
    Plan plan;
    plan.real = r;
    plan.encoder = index::KeyEncoder::create(core.header.format, def.schema, real.columns);
    plan.unique = real.flags & tdef::kIndexUnique;
    plan.ignoreNulls = real.flags & tdef::kIndexIgnoreNulls;
    plan.required = real.flags & tdef::kIndexRequired;
    for (const Index& logical : def.schema.indexes) {
      if (logical.realIndex == r && logical.primaryKey) plan.required = true;
    }
    plans_.push_back(std::move(plan));
  }
}

Result<std::optional<std::vector<uint8_t>>> IndexMaintenance::keyOf(const Plan& plan,
                                                                    const std::vector<Value>& values) const {
  if (!plan.encoder) return plan.encoder.error();
  bool anyNull = false, allNull = true;
  for (const index::KeyColumn& column : plan.encoder->columns()) {
    bool null = isNull(values[column.position]);
    anyNull |= null;
    allNull &= null;
  }
  if (plan.required && anyNull) return Error(ErrorKind::Constraint, kNullKeyMessage);
  if (plan.ignoreNulls && allNull) return std::optional<std::vector<uint8_t>>();
  std::vector<uint8_t> key;
  LF_RETURN_IF_ERROR(plan.encoder->encodeRow(values, key));
  return std::optional(std::move(key));
}

Status IndexMaintenance::check(const std::vector<Value>& values, const std::vector<Value>* before,
                               format::RowPointer self) {
  for (const Plan& plan : plans_) {
    if (before) {
      // Unchanged index columns leave the index alone, whatever its sort order.
      bool changed = false;
      for (const IndexColumn& column : def_.realIndexes[plan.real].columns) {
        int position = def_.schema.positionOfNumber(column.columnNumber);
        if (position >= 0 && !sameValue(values[size_t(position)], (*before)[size_t(position)])) changed = true;
      }
      if (!changed) continue;
    }
    LF_ASSIGN_OR_RETURN(std::optional<std::vector<uint8_t>> key, keyOf(plan, values));
    if (!key || !plan.unique) continue;
    bool allNull = true;
    for (const index::KeyColumn& column : plan.encoder->columns()) allNull &= isNull(values[column.position]);
    if (allNull) continue;  // NULL keys never count as duplicates
    index::IndexWriter writer(*core_.pager, *core_.spec, *core_.writing->allocator, def_, def_.realIndexes[plan.real],
                              &core_.indexPages);
    LF_ASSIGN_OR_RETURN(bool taken, writer.holdsKeyOfAnotherRow(*key, self));
    if (taken) return Error(ErrorKind::Constraint, kDuplicateKeyMessage);
  }
  return okStatus();
}

Status IndexMaintenance::countKeys(const Plan& plan, int delta) {
  tdef::RealIndex& real = def_.realIndexes[plan.real];
  real.uniqueEntryCount = uint32_t(int64_t(real.uniqueEntryCount) + delta);
  return tdef::patchDefinition32(*core_.pager, *core_.spec, def_, real.counterOffset + 4, real.uniqueEntryCount);
}

Status IndexMaintenance::addEntry(const Plan& plan, format::RowPointer row, const std::vector<uint8_t>& key) {
  index::IndexWriter writer(*core_.pager, *core_.spec, *core_.writing->allocator, def_, def_.realIndexes[plan.real],
                            &core_.indexPages);
  LF_ASSIGN_OR_RETURN(bool known, writer.insert(index::IndexEntry{key, row, 0}));
  return known ? okStatus() : countKeys(plan, +1);
}

Status IndexMaintenance::removeEntry(const Plan& plan, format::RowPointer row, const std::vector<uint8_t>& key) {
  index::IndexWriter writer(*core_.pager, *core_.spec, *core_.writing->allocator, def_, def_.realIndexes[plan.real],
                            &core_.indexPages);
  LF_ASSIGN_OR_RETURN(bool stillKnown, writer.remove(index::IndexEntry{key, row, 0}));
  return stillKnown || def_.realIndexes[plan.real].uniqueEntryCount == 0 ? okStatus() : countKeys(plan, -1);
}

Status IndexMaintenance::add(format::RowPointer row, const std::vector<Value>& values) {
  for (const Plan& plan : plans_) {
    LF_ASSIGN_OR_RETURN(std::optional<std::vector<uint8_t>> key, keyOf(plan, values));
    if (key) LF_RETURN_IF_ERROR(addEntry(plan, row, *key));
  }
  return okStatus();
}

Status IndexMaintenance::remove(format::RowPointer row, const std::vector<Value>& values) {
  for (const Plan& plan : plans_) {
    if (!plan.encoder) return plan.encoder.error();
    // The entry as it was made: without the NULL rule, which the row passed then.
    bool allNull = true;
    for (const index::KeyColumn& column : plan.encoder->columns()) allNull &= isNull(values[column.position]);
    if (plan.ignoreNulls && allNull) continue;
    std::vector<uint8_t> key;
    LF_RETURN_IF_ERROR(plan.encoder->encodeRow(values, key));
    LF_RETURN_IF_ERROR(removeEntry(plan, row, key));
  }
  return okStatus();
}

Status IndexMaintenance::replace(format::RowPointer row, const std::vector<Value>& before,
                                 const std::vector<Value>& after) {
  for (const Plan& plan : plans_) {
    if (!plan.encoder) {
      // check() has refused every change that touches this index.
      continue;
    }
    bool oldAllNull = true, newAllNull = true;
    for (const index::KeyColumn& column : plan.encoder->columns()) {
      oldAllNull &= isNull(before[column.position]);
      newAllNull &= isNull(after[column.position]);
    }
    std::vector<uint8_t> oldKey, newKey;
    LF_RETURN_IF_ERROR(plan.encoder->encodeRow(before, oldKey));
    LF_RETURN_IF_ERROR(plan.encoder->encodeRow(after, newKey));
    if (oldKey == newKey) continue;
    if (!(plan.ignoreNulls && oldAllNull)) LF_RETURN_IF_ERROR(removeEntry(plan, row, oldKey));
    if (!(plan.ignoreNulls && newAllNull)) LF_RETURN_IF_ERROR(addEntry(plan, row, newKey));
  }
  return okStatus();
}

}  // namespace ledgerfen::write
