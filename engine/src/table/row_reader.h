// Reads single rows of one table: finds a row's bytes (through the pointer a
// moved row leaves at its first address) and decodes them.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "db/database_core.h"
#include "row/data_page.h"
#include "row/row_layout.h"
#include "row/value_decoder.h"

namespace ledgerfen::table {

// Where a row is: its first address, which is its RowId, and for a row that
// outgrew its page, where its bytes now lie.
struct RowLocation {
  format::RowPointer home;
  std::optional<format::RowPointer> moved;
  format::RowPointer current() const { return moved ? *moved : home; }
};

class RowReader {
 public:
  static Result<RowReader> create(std::shared_ptr<Database::Core> core,
                                  std::shared_ptr<const tdef::TableDefinition> def);

  // Follows the pointer in the lookup row `bytes` at `location.home` to the
  // row's bytes, recording where they are.
  Result<row::RowBytes> follow(format::Bytes bytes, RowLocation& location);

  // Reads the live row `id` into `row` (the columns listed in `wanted`, or
  // all when empty); NotFound when the slot holds no live row.
  Result<RowLocation> read(RowId id, Row& row, const std::vector<size_t>& wanted = {});

  // Reads the bytes stored at `at` as they lie, a moved row's new home
  // included (addresses met in a scan in storage order).
  Status readStored(RowId at, Row& row, const std::vector<size_t>& wanted = {});

  // Decodes `bytes` into `row`: the columns listed in `wanted`, or all when empty.
  Status decode(format::Bytes bytes, Row& row, const std::vector<size_t>& wanted = {});

  // The bytes of each column of the row last decoded (valid while its page is held).
  const std::vector<row::CellBytes>& cells() const { return cells_; }
  const tdef::TableDefinition& definition() const { return *def_; }

 private:
  RowReader(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
            row::ValueDecoder decoder);

  std::shared_ptr<Database::Core> core_;
  std::shared_ptr<const tdef::TableDefinition> def_;
  row::RowLayout layout_;
  row::ValueDecoder decoder_;
  std::vector<row::CellBytes> cells_;
  row::RowBytes held_;  // keeps the page of the row being read alive
};

}  // namespace ledgerfen::table
