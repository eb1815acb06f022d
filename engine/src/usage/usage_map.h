// Usage maps: bitmaps of pages, stored as a row on a data page.
//
// Type 0 (inline) holds a start page and the bitmap itself; type 1
// (reference) holds the numbers of bitmap pages (type 0x05), each covering
// (page size - 4) * 8 pages. A table's maps list the pages it owns; the
// global map (page 1, row 0) lists the pages that are free.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "page/pager.h"

namespace ledgerfen::usage {

inline constexpr uint8_t kUsageMapInline = 0x00;
inline constexpr uint8_t kUsageMapReference = 0x01;
inline constexpr uint32_t kUsageMapInlineStart = 1;  // 4 bytes: first page covered
inline constexpr uint32_t kUsageMapInlineBitmap = 5;
inline constexpr uint32_t kUsageBitmapPageStart = 4;  // bitmap bytes on a type 0x05 page

// Walks the set bits of a map in ascending page order, reading bitmap pages
// only as it reaches them.
class UsageMapCursor {
 public:
  // With `skipStraySlots`, a reference slot naming a page past the end of
  // the file is passed over (the global map of some files holds one) instead
  // of being an error.
  static Result<UsageMapCursor> open(page::Pager& pager, const format::FormatSpec& spec, format::RowPointer where,
                                     bool skipStraySlots = false);

  // The next page whose bit is set, or nullopt at the end.
  Result<std::optional<uint32_t>> next();

 private:
  UsageMapCursor() = default;
  Status loadReferenceSlot(size_t slot);

  page::Pager* pager_ = nullptr;
  const format::FormatSpec* spec_ = nullptr;
  uint8_t type_ = 0;
  std::vector<uint8_t> row_;     // the map row
  std::vector<uint8_t> bitmap_;  // the bitmap being walked
  uint64_t bitmapStartPage_ = 0;
  size_t bit_ = 0;            // next bit of bitmap_ to look at
  size_t referenceSlot_ = 0;  // next slot of a reference map to load
  bool skipStraySlots_ = false;
};

}  // namespace ledgerfen::usage
