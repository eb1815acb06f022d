// Inserts, updates and deletes the rows of one table, keeping its pages,
// usage maps, long values and counters right. Runs inside the database's
// transaction (Database::Core::change): a failure leaves the pages changed
// so far to be put back by it.
//
// Invariants kept by every change:
//  1. A row keeps its RowId for life: a row that outgrows its page moves, and
//     its first address holds a pointer (flag 0x4000) to its new home
//     (flag 0x8000); a deleted row's slot stays, flagged 0xC000, empty.
//  2. Every data page of the table is in its owned-pages map; a page is in
//     its free-space map only when it is owned; every page in use is clear
//     in the global map.
//  3. The table definition's row count changes by one per insert and delete;
//     its AutoNumber counter is at least the largest number handed out.
//  4. Long values of deleted or replaced values are deleted with them.
//  5. Every index holds one entry per row (none for a row an ignore-nulls
//     index leaves out), pointing at the row's first address.
//  6. Enforced relationships hold: every reference names an existing row.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "db/database_core.h"
#include "table/row_reader.h"
#include "write/row_encoder.h"

namespace ledgerfen::write {

class TableWriter {
 public:
  // `depth` counts the cascades that led here (0 for a change a caller asked for).
  static Result<TableWriter> open(std::shared_ptr<Database::Core> core, uint32_t definitionPage,
                                  const std::string& name, int depth = 0);

  Result<Row> read(RowId id);
  Result<Row> insert(std::vector<Value> values);
  Status update(RowId id, const std::vector<Value>& before, std::vector<Value> after);
  Status erase(RowId id, const std::vector<Value>& before);

 private:
  TableWriter(std::shared_ptr<Database::Core> core, std::shared_ptr<tdef::TableDefinition> def, table::RowReader reader,
              int depth)
      : core_(std::move(core)), def_(std::move(def)), reader_(std::move(reader)), depth_(depth) {}

  // The columns of a row about to be written: each either kept as stored
  // (its bytes copied from the current row) or given a new value.
  struct Planned {
    std::vector<Value> values;
    std::vector<std::optional<ColumnBytes>> kept;
  };
  // The value as the column holds it: of the column's type, a NULL Yes/No as
  // No, fixed-length text and binary padded.
  Result<Value> asStored(const Column& column, const Value& value) const;
  Result<ByteString> buildRow(const Planned& plan);
  Result<format::RowPointer> addRow(std::span<const uint8_t> row, uint16_t flags, uint32_t avoidPage);
  Status placeUpdated(const table::RowLocation& location, const ByteString& row);
  Status removeRowBytes(format::RowPointer at);
  Status adjustFreeSpaceMap(uint32_t page);
  Status dropFromFreeSpaceMapWhenFull(uint32_t page);
  Status releaseIfEmpty(uint32_t page);
  Status writeCounters(int rowDelta);
  Status readLive(RowId id, const std::vector<Value>& before, Row& current, table::RowLocation& location,
                  std::vector<ColumnBytes>& stored);
  const tdef::LongValueMaps* longValueMaps(size_t position) const;

  std::shared_ptr<Database::Core> core_;
  std::shared_ptr<tdef::TableDefinition> def_;
  table::RowReader reader_;
  int depth_;
};

}  // namespace ledgerfen::write
