#include "usage/usage_map.h"

#include "row/data_page.h"

namespace ledgerfen::usage {

Result<UsageMapCursor> UsageMapCursor::open(page::Pager& pager, const format::FormatSpec& spec,
                                            format::RowPointer where, bool skipStraySlots) {
  LF_ASSIGN_OR_RETURN(row::RowBytes row, row::readRow(pager, spec, where));
  UsageMapCursor c;
  c.pager_ = &pager;
  c.spec_ = &spec;
  c.row_.assign(row.bytes.begin(), row.bytes.end());
  c.skipStraySlots_ = skipStraySlots;
  if (c.row_.empty()) return Error(ErrorKind::Corrupt, "a usage map row is empty");
  c.type_ = c.row_[0];
  if (c.type_ == kUsageMapInline) {
    if (c.row_.size() < kUsageMapInlineBitmap) return Error(ErrorKind::Corrupt, "a usage map row is too short");
    c.bitmapStartPage_ = format::u32le(c.row_, kUsageMapInlineStart);
    c.bitmap_.assign(c.row_.begin() + kUsageMapInlineBitmap, c.row_.end());
  } else if (c.type_ != kUsageMapReference) {
    return Error(ErrorKind::Corrupt, "a usage map has the unknown type " + std::to_string(c.type_));
  }
  return c;
}

Status UsageMapCursor::loadReferenceSlot(size_t slot) {
  uint32_t pageNumber = format::u32le(row_, 1 + 4 * slot);
  bitmap_.clear();
  bit_ = 0;
  bitmapStartPage_ = uint64_t(slot) * (spec_->pageSize - kUsageBitmapPageStart) * 8;
  if (pageNumber == 0 || (skipStraySlots_ && pageNumber >= pager_->pageCount())) return okStatus();
  LF_ASSIGN_OR_RETURN(page::Page page, pager_->read(pageNumber));
  if (page.type() != format::kPageUsageBitmap) {
    return Error(ErrorKind::Corrupt,
                 "page " + std::to_string(pageNumber) + " is listed as a usage bitmap but is not one");
  }
  bitmap_.assign(page.bytes().begin() + kUsageBitmapPageStart, page.bytes().end());
  return okStatus();
}

Result<std::optional<uint32_t>> UsageMapCursor::next() {
  while (true) {
    while (bit_ < bitmap_.size() * 8) {
      size_t byte = bit_ / 8;
      if (bitmap_[byte] == 0) {  // skip empty bytes quickly
        bit_ = (byte + 1) * 8;
        continue;
      }
      size_t k = bit_++;
      if (bitmap_[k / 8] & (1u << (k % 8))) {
        uint64_t page = bitmapStartPage_ + k;
        if (page > UINT32_MAX)
          return Error(ErrorKind::Corrupt, "a usage map covers pages beyond the largest page number");
        return std::optional<uint32_t>(uint32_t(page));
      }
    }
    if (type_ != kUsageMapReference || 1 + 4 * (referenceSlot_ + 1) > row_.size()) {
      return std::optional<uint32_t>();
    }
    LF_RETURN_IF_ERROR(loadReferenceSlot(referenceSlot_++));
  }
}

}  // namespace ledgerfen::usage
