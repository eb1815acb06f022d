#include "write/relationships.h"

#include "index/index_tree.h"
#include "index/key_encoder.h"
#include "table/row_reader.h"
#include "write/table_writer.h"

namespace ledgerfen::write {
namespace {

// Cascades deeper than this go round in circles.
constexpr int kMaxCascadeDepth = 16;

std::vector<size_t> positionsOf(const tdef::TableDefinition& def, size_t logical) {
  std::vector<size_t> positions;
  for (const IndexColumn& column : def.schema.indexes[logical].columns) {
    int position = def.schema.positionOfNumber(column.columnNumber);
    positions.push_back(position < 0 ? 0 : size_t(position));
  }
  return positions;
}

std::string nameOfTable(const std::shared_ptr<Database::Core>& core, uint32_t page) {
  if (core->catalog) {
    for (const CatalogEntry& e : *core->catalog) {
      if (e.isLocalTable() && e.definitionPage() == page) return e.name;
    }
  }
  return "table on page " + std::to_string(page);
}

}  // namespace

Result<Relationships::Side> Relationships::otherSide(const tdef::Relationship& r) {
  Side side;
  side.name = nameOfTable(core_, r.otherTable);
  LF_ASSIGN_OR_RETURN(side.def, core_->mutableDefinition(r.otherTable, side.name));
  for (size_t i = 0; i < side.def->logicalNumbers.size(); ++i) {
    if (side.def->logicalNumbers[i] == r.otherIndex) {
      side.index = i;
      return side;
    }
  }
  return Error(ErrorKind::Corrupt, "table " + def_.schema.name + ": a relationship names index " +
                                       std::to_string(r.otherIndex) + " of table " + side.name + ", which it lacks");
}

std::vector<Value> Relationships::keyRowFor(const tdef::Relationship& r, const Side& other,
                                            const std::vector<Value>& values) const {
  std::vector<Value> row(other.def->schema.columns.size());
  std::vector<size_t> mine = positionsOf(def_, r.index), theirs = positionsOf(*other.def, other.index);
  for (size_t k = 0; k < mine.size() && k < theirs.size(); ++k) row[theirs[k]] = values[mine[k]];
  return row;
}

bool Relationships::keyChanged(const tdef::Relationship& r, const std::vector<Value>& before,
                               const std::vector<Value>& after) const {
  for (size_t position : positionsOf(def_, r.index)) {
    if (!sameValue(before[position], after[position])) return true;
  }
  return false;
}

bool Relationships::keyIsNull(const tdef::Relationship& r, const std::vector<Value>& values) const {
  for (size_t position : positionsOf(def_, r.index)) {
    if (isNull(values[position])) return true;
  }
  return false;
}

Result<std::vector<RowId>> Relationships::rowsWithKey(const Side& side, const std::vector<Value>& keyRow) {
  const Index& index = side.def->schema.indexes[side.index];
  const tdef::RealIndex& real = side.def->realIndexes[index.realIndex];
  LF_ASSIGN_OR_RETURN(index::KeyEncoder encoder,
                      index::KeyEncoder::create(core_->header.format, side.def->schema, real.columns));
  std::vector<uint8_t> key;
  LF_RETURN_IF_ERROR(encoder.encodeRow(keyRow, key));
  index::IndexTree tree(*core_->pager, *core_->spec, side.def->schema.definitionPage, real.rootPage,
                        &core_->indexPages);
  LF_ASSIGN_OR_RETURN(index::IndexTree::Cursor cursor, tree.seek(index::KeyBound{key, true, false}));
  std::vector<RowId> rows;
  while (true) {
    LF_ASSIGN_OR_RETURN(const index::IndexEntry* e, cursor.next());
    if (!e || e->key != key) return rows;
    rows.push_back(RowId{e->row.page, e->row.row});
  }
}

Status Relationships::checkReferences(const std::vector<Value>& values, const std::vector<Value>* before) {
  for (const tdef::Relationship& r : def_.relationships) {
    if (!r.referencing || keyIsNull(r, values)) continue;
    if (before && !keyChanged(r, *before, values)) continue;
    LF_ASSIGN_OR_RETURN(Side referenced, otherSide(r));
    LF_ASSIGN_OR_RETURN(std::vector<RowId> rows, rowsWithKey(referenced, keyRowFor(r, referenced, values)));
    if (rows.empty()) return Error(ErrorKind::Constraint, kMissingReferenceMessage + referenced.name + "'.");
  }
  return okStatus();
}

Status Relationships::beforeDelete(const std::vector<Value>& values) {
  for (const tdef::Relationship& r : def_.relationships) {
    if (r.referencing || keyIsNull(r, values)) continue;
    LF_ASSIGN_OR_RETURN(Side referring, otherSide(r));
    LF_ASSIGN_OR_RETURN(std::vector<RowId> rows, rowsWithKey(referring, keyRowFor(r, referring, values)));
    if (rows.empty()) continue;
    if (!r.cascadeDeletes && !r.cascadeNull) {
      return Error(ErrorKind::Constraint, kReferencedMessage + referring.name + "' includes related records.");
    }
    if (depth_ >= kMaxCascadeDepth) return Error(ErrorKind::Constraint, "cascading deletes go round in circles");
    LF_ASSIGN_OR_RETURN(TableWriter writer, TableWriter::open(core_, r.otherTable, referring.name, depth_ + 1));
    for (RowId id : rows) {
      LF_ASSIGN_OR_RETURN(Row row, writer.read(id));
      if (r.cascadeDeletes) {
        LF_RETURN_IF_ERROR(writer.erase(id, row.values));
      } else {
        std::vector<Value> after = row.values;
        for (size_t position : positionsOf(*referring.def, referring.index)) after[position] = std::monostate{};
        LF_RETURN_IF_ERROR(writer.update(id, row.values, std::move(after)));
      }
    }
  }
  return okStatus();
}

Status Relationships::afterKeyChange(const std::vector<Value>& before, const std::vector<Value>& after) {
  for (const tdef::Relationship& r : def_.relationships) {
    if (r.referencing || keyIsNull(r, before) || !keyChanged(r, before, after)) continue;
    LF_ASSIGN_OR_RETURN(Side referring, otherSide(r));
    LF_ASSIGN_OR_RETURN(std::vector<RowId> rows, rowsWithKey(referring, keyRowFor(r, referring, before)));
    if (rows.empty()) continue;
    if (!r.cascadeUpdates) {
      return Error(ErrorKind::Constraint, kReferencedMessage + referring.name + "' includes related records.");
    }
    if (depth_ >= kMaxCascadeDepth) return Error(ErrorKind::Constraint, "cascading updates go round in circles");
    LF_ASSIGN_OR_RETURN(TableWriter writer, TableWriter::open(core_, r.otherTable, referring.name, depth_ + 1));
    std::vector<Value> newKey = keyRowFor(r, referring, after);
    for (RowId id : rows) {
      LF_ASSIGN_OR_RETURN(Row row, writer.read(id));
      std::vector<Value> changed = row.values;
      for (size_t position : positionsOf(*referring.def, referring.index)) changed[position] = newKey[position];
      LF_RETURN_IF_ERROR(writer.update(id, row.values, std::move(changed)));
    }
  }
  return okStatus();
}

}  // namespace ledgerfen::write
