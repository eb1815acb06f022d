// Streams the rows of one table: the pages of its usage map in ascending
// order, the rows of each page in slot order.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "db/database_core.h"
#include "row/data_page.h"
#include "table/row_reader.h"
#include "usage/usage_map.h"

namespace ledgerfen::table {

class TableScanner {
 public:
  // `wanted` lists the column positions to decode; empty decodes all.
  static Result<TableScanner> open(std::shared_ptr<Database::Core> core,
                                   std::shared_ptr<const tdef::TableDefinition> def, ScanOrder order,
                                   std::vector<size_t> wanted);

  // Moves to row `from`: the next row given is the first at or after it.
  // Pages before its page are passed over in the usage map, unread.
  Status startAt(RowId from);

  // The next live row, or false at the end. With `decode` false only the row
  // id is filled in.
  Result<bool> next(Row& row, bool decode = true);

 private:
  TableScanner(std::shared_ptr<const tdef::TableDefinition> def, std::shared_ptr<Database::Core> core, ScanOrder order,
               usage::UsageMapCursor pages, RowReader reader, std::vector<size_t> wanted);

  Result<bool> nextRow(Row& row, bool decode);
  // Makes page `number` of the usage map the one being read.
  Status loadPage(uint32_t number);
  // The bytes of the row in the current slot, if it holds one in this order.
  Result<std::optional<format::Bytes>> currentRow();
  std::string rowName() const;

  std::shared_ptr<const tdef::TableDefinition> def_;
  std::shared_ptr<Database::Core> core_;
  ScanOrder order_;
  usage::UsageMapCursor pages_;
  RowReader reader_;
  std::vector<size_t> wanted_;
  std::optional<row::DataPage> page_;
  uint16_t slot_ = 0;  // the row being read
  uint16_t nextSlot_ = 0;
  row::RowBytes moved_;  // keeps a moved row's page alive while it is decoded
};

}  // namespace ledgerfen::table
