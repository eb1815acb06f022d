// Changes usage maps: sets and clears the bit of a page, and grows a map
// when a page lies outside what it covers — an inline map by lengthening
// its row, or, when the row cannot grow, by turning it into a reference map
// whose bitmaps live on pages of their own.
//
// The global map (page 1, row 0) marks free pages and, like Access, covers
// every page of the file, with the bits of pages past the end set; other
// maps mark pages an object owns and need not cover pages it does not own.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "page/pager.h"
#include "row/data_page.h"

namespace ledgerfen::usage {

// Gives a fresh page to hold the bitmap of a reference map.
class BitmapPageSource {
 public:
  virtual ~BitmapPageSource() = default;
  virtual Result<uint32_t> newBitmapPage() = 0;
};

enum class MapKind { Owned, Global };

class UsageMapWriter {
 public:
  UsageMapWriter(page::Pager& pager, const format::FormatSpec& spec, format::RowPointer where, MapKind kind);

  Result<bool> test(uint32_t page);
  Status set(uint32_t page, bool on, BitmapPageSource& source);
  // The first page in [from, limit) whose bit is set.
  Result<std::optional<uint32_t>> findSet(uint32_t from, uint32_t limit);
  // Global map: makes sure every page below `pageCount` has a bit.
  Status cover(uint32_t pageCount, BitmapPageSource& source);

 private:
  // A copy of the map row, to change.
  struct Loaded {
    uint8_t type = 0;
    std::vector<uint8_t> row;
  };
  Result<Loaded> load();
  // The map row as stored, to read.
  Result<row::RowBytes> view();
  Status store(const std::vector<uint8_t>& row);
  uint32_t pagesPerBitmap() const { return (spec_.pageSize - 4) * 8; }
  // The bitmap page of a reference map's slot (0: none).
  uint32_t slotPage(format::Bytes row, size_t slot) const;
  Status setInline(Loaded& map, uint32_t page, bool on, BitmapPageSource& source);
  Status setReference(Loaded& map, uint32_t page, bool on, BitmapPageSource& source);
  Status toReference(Loaded& map, uint32_t needPage, BitmapPageSource& source);
  Result<uint32_t> newBitmap(BitmapPageSource& source, uint32_t firstCovered);

  page::Pager& pager_;
  const format::FormatSpec& spec_;
  format::RowPointer where_;
  MapKind kind_;
};

}  // namespace ledgerfen::usage
