// Hands out pages for new content and takes freed pages back, keeping the
// global usage map (page 1, row 0: a set bit is a free page) right.
//
// A free page of the file is reused before the file grows; the file grows by
// whole pages, and the global map is lengthened to cover every page.
//
// The global map is not trusted alone: files exist whose map marks pages of
// live tables as free. Before the first reuse, the allocator reads what the
// catalogue's objects hold (PagesInUse, through a reader the database gives
// it, as the catalogue lies in layers above) and keeps that up to date; a page the
// map calls free is reused only when no object holds it and its content is
// blank, a released page, or a data or definition page no table owns.
// Anything else (long-value, index, bitmap pages, types whose meaning is
// unknown) stays as it is, and the file grows instead.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include "format/format_spec.h"
#include "page/pager.h"
#include "usage/usage_map_writer.h"

namespace ledgerfen::usage {

// The pages the objects of a database hold (write/pages_in_use.h reads them).
struct PagesInUse {
  std::vector<bool> owned;                        // by page number, for the pages of the file when read
  std::unordered_set<uint32_t> tableDefinitions;  // the first definition page of every table

  bool isOwned(uint32_t page) const { return page < owned.size() && owned[page]; }
  // Pages past the end of the file when this was read are left out: a
  // damaged map may name them, and pages added later are never free in the
  // global map unless this session released them.
  void setOwned(uint32_t page, bool on) {
    if (page < owned.size()) owned[page] = on;
  }
};

class PageAllocator final : public BitmapPageSource {
 public:
  using PagesInUseReader = std::function<Result<PagesInUse>()>;

  PageAllocator(page::Pager& pager, const format::FormatSpec& spec, PagesInUseReader readPagesInUse);

  // A page to fill: the lowest reusable free page, or a new one at the end of
  // the file. Its content is whatever it held; the caller initializes it.
  Result<uint32_t> allocate();
  // Marks `page` free and clears its type, so nothing mistakes it for live.
  Status release(uint32_t page);
  // Forgets where the last free page was found and what objects held (after
  // a transaction or a change is discarded).
  void reset();

  Result<uint32_t> newBitmapPage() override { return allocate(); }

 private:
  // The global map's own bitmap pages are taken from the end of the file
  // without consulting the map being extended.
  struct EndOfFile final : BitmapPageSource {
    explicit EndOfFile(page::Pager& p) : pager(p) {}
    Result<uint32_t> newBitmapPage() override { return pager.append(); }
    page::Pager& pager;
  };

  // Whether a page the global map calls free may be taken.
  Result<bool> reusable(uint32_t page);

  page::Pager& pager_;
  const format::FormatSpec& spec_;
  EndOfFile endOfFile_;
  UsageMapWriter global_;
  PagesInUseReader readPagesInUse_;
  std::optional<PagesInUse> inUse_;
  // What the objects hold could not be read (a damaged definition): only
  // new pages are handed out until the next reset.
  bool appendOnly_ = false;
  uint32_t searchFrom_ = 0;
};

}  // namespace ledgerfen::usage
