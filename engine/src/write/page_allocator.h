// Hands out pages for new content and takes freed pages back, keeping the
// global usage map (page 1, row 0: a set bit is a free page) right.
//
// A free page of the file is reused before the file grows; the file grows by
// whole pages, and the global map is lengthened to cover every page.
#pragma once

#include <cstdint>

#include "format/format_spec.h"
#include "page/pager.h"
#include "usage/usage_map_writer.h"

namespace ledgerfen::write {

class PageAllocator final : public usage::BitmapPageSource {
 public:
  PageAllocator(page::Pager& pager, const format::FormatSpec& spec);

  // A page to fill: the lowest free page, or a new one at the end of the file.
  // Its content is whatever it held; the caller initializes it.
  Result<uint32_t> allocate();
  // Marks `page` free and clears its type, so nothing mistakes it for live.
  Status release(uint32_t page);
  // Forgets where the last free page was found (after a transaction is discarded).
  void reset() { searchFrom_ = 0; }

  Result<uint32_t> newBitmapPage() override { return allocate(); }

 private:
  // The global map's own bitmap pages are taken from the end of the file
  // without consulting the map being extended.
  struct EndOfFile final : usage::BitmapPageSource {
    explicit EndOfFile(page::Pager& p) : pager(p) {}
    Result<uint32_t> newBitmapPage() override { return pager.append(); }
    page::Pager& pager;
  };

  page::Pager& pager_;
  EndOfFile endOfFile_;
  usage::UsageMapWriter global_;
  uint32_t searchFrom_ = 0;
};

}  // namespace ledgerfen::write
