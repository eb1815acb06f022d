#include "row/data_page.h"

#include <cstring>

namespace ledgerfen::row {

using format::kRowDeletedFlag;
using format::kRowLookupFlag;
using format::kRowOffsetMask;

Result<DataPage> DataPage::open(const format::FormatSpec& spec, page::Page page) {
  format::Bytes b = page.bytes();
  std::string where = "data page " + std::to_string(page.number());
  if (b[0] != format::kPageData) return Error(ErrorKind::Corrupt, where + ": not a data page");
  uint16_t rows = format::u16le(b, spec.dataRowCount);
  if (spec.dataHeaderSize + 2u * rows > b.size()) {
    return Error(ErrorKind::Corrupt, where + ": its row count " + std::to_string(rows) + " does not fit the page");
  }
  return DataPage(spec, std::move(page), rows);
}

bool DataPage::isLongValuePage() const {
  return std::memcmp(page_.bytes().data() + spec_->dataOwner, "LVAL", 4) == 0;
}

uint32_t DataPage::freeSpace() const {
  uint32_t tableEnd = spec_->dataHeaderSize + 2u * rowCount_;
  uint32_t lowest = rowCount_ == 0 ? spec_->pageSize : (slotWord(uint16_t(rowCount_ - 1)) & kRowOffsetMask);
  return lowest > tableEnd ? lowest - tableEnd : 0;
}

bool DataPage::isDeleted(uint16_t slot) const {
  return (slotWord(slot) & (kRowDeletedFlag | kRowLookupFlag)) == (kRowDeletedFlag | kRowLookupFlag);
}
bool DataPage::isLookup(uint16_t slot) const {
  return (slotWord(slot) & (kRowDeletedFlag | kRowLookupFlag)) == kRowLookupFlag;
}
bool DataPage::isOverflowTarget(uint16_t slot) const {
  return (slotWord(slot) & (kRowDeletedFlag | kRowLookupFlag)) == kRowDeletedFlag;
}

Result<format::Bytes> DataPage::row(uint16_t slot) const {
  auto fail = [&](const std::string& why) {
    return Error(ErrorKind::Corrupt,
                 "data page " + std::to_string(number()) + ": row " + std::to_string(slot) + " " + why);
  };
  if (slot >= rowCount_) return fail("does not exist (the page holds " + std::to_string(rowCount_) + " rows)");
  uint32_t start = slotWord(slot) & kRowOffsetMask;
  uint32_t end = slot == 0 ? spec_->pageSize : (slotWord(uint16_t(slot - 1)) & kRowOffsetMask);
  uint32_t tableEnd = spec_->dataHeaderSize + 2u * rowCount_;
  if (end > spec_->pageSize) return fail("points past the end of the page");
  if (start < tableEnd || start > end) return fail("has an offset outside the page's row area");
  return page_.bytes().subspan(start, end - start);
}

Result<RowBytes> readRow(page::Pager& pager, const format::FormatSpec& spec, format::RowPointer where) {
  LF_ASSIGN_OR_RETURN(page::Page page, pager.read(where.page));
  LF_ASSIGN_OR_RETURN(DataPage data, DataPage::open(spec, page));
  LF_ASSIGN_OR_RETURN(format::Bytes bytes, data.row(where.row));
  return RowBytes{std::move(page), bytes};
}

}  // namespace ledgerfen::row
