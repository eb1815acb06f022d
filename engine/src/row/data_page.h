// A data page (type 0x01): a header, a table of row-offset words and the rows,
// packed from the end of the page towards the header in slot order. Long-value
// pages share the layout.
#pragma once

#include <cstdint>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "page/pager.h"

namespace ledgerfen::row {

class DataPage {
 public:
  // Checks the page type and that the offset table fits the page.
  static Result<DataPage> open(const format::FormatSpec& spec, page::Page page);

  uint32_t number() const { return page_.number(); }
  uint32_t owner() const { return format::u32le(page_.bytes(), spec_->dataOwner); }
  bool isLongValuePage() const;
  uint16_t rowCount() const { return rowCount_; }
  // Bytes between the offset table and the lowest row.
  uint32_t freeSpace() const;
  uint16_t slotWord(uint16_t slot) const { return format::u16le(page_.bytes(), spec_->dataHeaderSize + 2u * slot); }
  bool isDeleted(uint16_t slot) const;
  bool isLookup(uint16_t slot) const;
  bool isOverflowTarget(uint16_t slot) const;

  // The bytes of the row in `slot`, checked against the page.
  Result<format::Bytes> row(uint16_t slot) const;

 private:
  DataPage(const format::FormatSpec& spec, page::Page page, uint16_t rows)
      : spec_(&spec), page_(std::move(page)), rowCount_(rows) {}

  const format::FormatSpec* spec_;
  page::Page page_;
  uint16_t rowCount_;
};

// The bytes of the row at `where` on a data page.
struct RowBytes {
  page::Page page;  // keeps the bytes alive
  format::Bytes bytes;
};
Result<RowBytes> readRow(page::Pager& pager, const format::FormatSpec& spec, format::RowPointer where);

}  // namespace ledgerfen::row
