// Stores Memo and OLE data and frees it again.
//
// Like Access: a value of at most kInlineLimit bytes goes inline into the
// row (when the row has room, which the caller decides); a value that fits
// one long-value row goes into a row of its own on an "LVAL" page; a longer
// one becomes a chain of rows, each starting with the pointer to the next.
// New rows go onto the long-value page being filled, or a new one. A column
// whose table definition gives it usage maps of its own (Access 2003 and
// later write them) has its long-value pages recorded there; other
// columns' pages are recorded in the global map only.
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "ledgerfen/value.h"
#include "page/pager.h"
#include "tdef/table_definition.h"
#include "usage/page_allocator.h"

namespace ledgerfen::lval {

// Values up to this many bytes may be stored inline.
inline constexpr size_t kInlineLimit = 64;

class LongValueWriter {
 public:
  LongValueWriter(page::Pager& pager, const format::FormatSpec& spec, usage::PageAllocator& allocator)
      : pager_(pager), spec_(spec), allocator_(allocator) {}

  // The 12-byte definition for `data` kept inline (followed by the data).
  static ByteString inlineDefinition(std::span<const uint8_t> data);
  // Writes `data` to long-value pages; returns its 12-byte definition.
  // `maps` are the column's own usage maps, or null.
  Result<ByteString> writeOutOfLine(std::span<const uint8_t> data, const tdef::LongValueMaps* maps);
  // Deletes the long-value rows a definition points to (nothing for inline
  // values); a page left without live rows is freed.
  Status free(format::Bytes definition, const tdef::LongValueMaps* maps);
  // Forgets the pages being filled (after a transaction is discarded).
  void reset() { fillPages_.clear(); }

 private:
  Result<format::RowPointer> addRow(std::span<const uint8_t> bytes, const tdef::LongValueMaps* maps);
  Status recordRoom(uint32_t page, const tdef::LongValueMaps* maps);
  Status releaseIfEmpty(uint32_t page, const tdef::LongValueMaps* maps);

  page::Pager& pager_;
  const format::FormatSpec& spec_;
  usage::PageAllocator& allocator_;
  std::map<uint32_t, uint32_t> fillPages_;  // column's owned map (packed; 0: none) -> page being filled
};

}  // namespace ledgerfen::lval
