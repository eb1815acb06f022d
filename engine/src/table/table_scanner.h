// Streams the rows of one table: the pages of its usage map in ascending
// order, the rows of each page in slot order.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "db/database_core.h"
#include "row/data_page.h"
#include "row/row_layout.h"
#include "row/value_decoder.h"
#include "usage/usage_map.h"

namespace ledgerfen::table {

class TableScanner {
 public:
  // `wanted` lists the column positions to decode; empty decodes all.
  static Result<TableScanner> open(std::shared_ptr<Database::Core> core,
                                   std::shared_ptr<const tdef::TableDefinition> def, ScanOrder order,
                                   std::vector<size_t> wanted);

  // The next live row, or false at the end. With `decode` false only the row
  // id is filled in.
  Result<bool> next(Row& row, bool decode = true);

 private:
  TableScanner(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
               ScanOrder order, usage::UsageMapCursor pages, row::ValueDecoder decoder, std::vector<size_t> wanted);

  // Finds the bytes of the row in the current slot, following a moved row's pointer.
  Result<std::optional<format::Bytes>> currentRow();
  Status decodeRow(format::Bytes bytes, Row& row);
  Result<bool> nextRow(Row& row, bool decode);
  std::string rowName() const;

  std::shared_ptr<Database::Core> core_;
  std::shared_ptr<const tdef::TableDefinition> def_;
  ScanOrder order_;
  usage::UsageMapCursor pages_;
  row::RowLayout layout_;
  row::ValueDecoder decoder_;
  std::vector<size_t> wanted_;
  std::optional<row::DataPage> page_;
  uint16_t slot_ = 0;      // the row being read
  uint16_t nextSlot_ = 0;
  row::RowBytes moved_;  // keeps a moved row's page alive while it is decoded
  std::vector<row::CellBytes> cells_;
};

}  // namespace ledgerfen::table
