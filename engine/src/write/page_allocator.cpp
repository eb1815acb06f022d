#include "write/page_allocator.h"

#include <algorithm>

namespace ledgerfen::write {

PageAllocator::PageAllocator(page::Pager& pager, const format::FormatSpec& spec)
    : pager_(pager),
      endOfFile_(pager),
      global_(pager, spec, format::RowPointer{format::kGlobalUsageMapPage, 0}, usage::MapKind::Global) {}

Result<uint32_t> PageAllocator::allocate() {
  // Pages 0-2 (header, global map, catalogue) are never free, whatever a damaged map says.
  LF_ASSIGN_OR_RETURN(std::optional<uint32_t> free,
                      global_.findSet(std::max<uint32_t>(searchFrom_, 3), pager_.pageCount()));
  if (free) {
    LF_RETURN_IF_ERROR(global_.set(*free, false, endOfFile_));
    searchFrom_ = *free + 1;
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
  searchFrom_ = std::min(searchFrom_, page);
  return okStatus();
}

}  // namespace ledgerfen::write
