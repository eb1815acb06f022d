#include "usage/page_allocator.h"

#include <algorithm>

#include "format/bytes.h"
#include "row/data_page_editor.h"

namespace ledgerfen::usage {

PageAllocator::PageAllocator(page::Pager& pager, const format::FormatSpec& spec, PagesInUseReader readPagesInUse)
    : pager_(pager),
      spec_(spec),
      endOfFile_(pager),
      global_(pager, spec, format::RowPointer{format::kGlobalUsageMapPage, 0}, MapKind::Global),
      readPagesInUse_(std::move(readPagesInUse)) {}

void PageAllocator::reset() {
  searchFrom_ = 0;
  inUse_.reset();
  appendOnly_ = false;
}

Result<bool> PageAllocator::reusable(uint32_t page) {
  if (!inUse_ && !appendOnly_) {
    auto read = readPagesInUse_();
    if (read) {
      inUse_ = std::move(*read);
    } else {
      appendOnly_ = true;  // safe whatever the file holds
    }
  }
  if (appendOnly_ || inUse_->isOwned(page)) return false;
  LF_ASSIGN_OR_RETURN(page::Page content, pager_.read(page));
  switch (content.type()) {
    case format::kPageHeader:  // never written, or released
      return true;
    case format::kPageTableDef:  // every live definition page is owned
      return true;
    case format::kPageData: {
      uint32_t owner = format::u32le(content.bytes(), spec_.dataOwner);
      return owner != row::kLongValueOwner && !inUse_->tableDefinitions.count(owner);
    }
    default: return false;
  }
}

Result<uint32_t> PageAllocator::allocate() {
  // Pages 0-2 (header, global map, catalogue) are never free, whatever a damaged map says.
  uint32_t from = std::max<uint32_t>(searchFrom_, 3);
  while (!appendOnly_) {
    LF_ASSIGN_OR_RETURN(std::optional<uint32_t> free, global_.findSet(from, pager_.pageCount()));
    if (!free) break;
    from = *free + 1;
    searchFrom_ = from;
    LF_ASSIGN_OR_RETURN(bool take, reusable(*free));
    if (!take) continue;
    LF_RETURN_IF_ERROR(global_.set(*free, false, endOfFile_));
    inUse_->setOwned(*free, true);
    return *free;
  }
  LF_ASSIGN_OR_RETURN(uint32_t page, pager_.append());
  LF_RETURN_IF_ERROR(global_.cover(pager_.pageCount(), endOfFile_));
  LF_RETURN_IF_ERROR(global_.set(page, false, endOfFile_));
  searchFrom_ = pager_.pageCount();
  return page;
}

Status PageAllocator::release(uint32_t page) {
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, pager_.modify(page));
  std::fill(bytes.begin(), bytes.begin() + 4, 0);
  LF_RETURN_IF_ERROR(global_.set(page, true, endOfFile_));
  if (inUse_) inUse_->setOwned(page, false);
  searchFrom_ = std::min(searchFrom_, page);
  return okStatus();
}

}  // namespace ledgerfen::usage
