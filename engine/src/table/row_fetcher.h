// Reads single rows by their address, as index entries give them.
#pragma once

#include <memory>
#include <vector>

#include "db/database_core.h"
#include "row/data_page.h"
#include "row/row_layout.h"
#include "row/value_decoder.h"

namespace ledgerfen::table {

class RowFetcher {
 public:
  // `wanted` lists the column positions to decode; empty decodes all.
  static Result<RowFetcher> open(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
                                 std::vector<size_t> wanted);

  // Reads the row whose first address is `id` into `row`, following a row
  // that moved to its new home. A deleted or missing row is an error: the
  // caller only asks for rows something points at.
  Status fetch(RowId id, Row& row);

 private:
  RowFetcher(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
             row::ValueDecoder decoder, std::vector<size_t> wanted);
  Result<row::RowBytes> locate(RowId id);

  std::shared_ptr<Database::Core> core_;
  std::shared_ptr<const tdef::TableDefinition> def_;
  row::RowLayout layout_;
  row::ValueDecoder decoder_;
  std::vector<size_t> wanted_;
  std::vector<row::CellBytes> cells_;
};

}  // namespace ledgerfen::table
