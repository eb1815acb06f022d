#include "usage/usage_map_writer.h"

#include <algorithm>

#include "row/data_page.h"
#include "row/data_page_editor.h"
#include "usage/usage_map.h"

namespace ledgerfen::usage {
namespace {

bool bit(const uint8_t* bitmap, uint64_t k) {
  return bitmap[k / 8] & (1u << (k % 8));
}
void putBit(uint8_t* bitmap, uint64_t k, bool on) {
  if (on) {
    bitmap[k / 8] |= uint8_t(1u << (k % 8));
  } else {
    bitmap[k / 8] &= uint8_t(~(1u << (k % 8)));
  }
}

// Slack added when an inline map grows, so it does not grow on every page.
constexpr size_t kInlineGrowth = 64;

}  // namespace

UsageMapWriter::UsageMapWriter(page::Pager& pager, const format::FormatSpec& spec, format::RowPointer where,
                               MapKind kind)
    : pager_(pager), spec_(spec), where_(where), kind_(kind) {}

Result<row::RowBytes> UsageMapWriter::view() {
  LF_ASSIGN_OR_RETURN(row::RowBytes row, row::readRow(pager_, spec_, where_));
  uint8_t type = row.bytes.empty() ? uint8_t(0xFF) : row.bytes[0];
  if (type == kUsageMapInline && row.bytes.size() < kUsageMapInlineBitmap) {
    return Error(ErrorKind::Corrupt, "a usage map row is too short");
  }
  if (type != kUsageMapInline && type != kUsageMapReference) {
    return Error(ErrorKind::Corrupt, "a usage map has an unknown type");
  }
  return row;
}

Result<UsageMapWriter::Loaded> UsageMapWriter::load() {
  LF_ASSIGN_OR_RETURN(row::RowBytes row, view());
  return Loaded{row.bytes[0], {row.bytes.begin(), row.bytes.end()}};
}

Status UsageMapWriter::store(const std::vector<uint8_t>& row) {
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, pager_.modify(where_.page));
  return row::DataPageEditor(spec_, page).replaceRow(where_.row, row);
}

uint32_t UsageMapWriter::slotPage(format::Bytes row, size_t slot) const {
  uint32_t page = format::u32le(row, 1 + 4 * slot);
  // The global map of some files names a page past the end: as good as none.
  return kind_ == MapKind::Global && page >= pager_.pageCount() ? 0 : page;
}

Result<bool> UsageMapWriter::test(uint32_t page) {
  LF_ASSIGN_OR_RETURN(row::RowBytes map, view());
  format::Bytes row = map.bytes;
  if (row[0] == kUsageMapInline) {
    uint32_t start = format::u32le(row, kUsageMapInlineStart);
    uint64_t bits = uint64_t(row.size() - kUsageMapInlineBitmap) * 8;
    if (page < start || page - start >= bits) return false;
    return bit(row.data() + kUsageMapInlineBitmap, page - start);
  }
  size_t slot = page / pagesPerBitmap();
  if (1 + 4 * (slot + 1) > row.size()) return false;
  uint32_t bitmapPage = slotPage(row, slot);
  if (bitmapPage == 0) return false;
  LF_ASSIGN_OR_RETURN(page::Page bitmap, pager_.read(bitmapPage));
  return bit(bitmap.bytes().data() + kUsageBitmapPageStart, page % pagesPerBitmap());
}

Status UsageMapWriter::set(uint32_t page, bool on, BitmapPageSource& source) {
  LF_ASSIGN_OR_RETURN(Loaded map, load());
  return map.type == kUsageMapInline ? setInline(map, page, on, source) : setReference(map, page, on, source);
}

Status UsageMapWriter::setInline(Loaded& map, uint32_t page, bool on, BitmapPageSource& source) {
  uint32_t start = format::u32le(map.row, kUsageMapInlineStart);
  uint64_t bits = uint64_t(map.row.size() - kUsageMapInlineBitmap) * 8;
  if (page >= start && page - start < bits) {
    putBit(map.row.data() + kUsageMapInlineBitmap, page - start, on);
    return store(map.row);
  }
  // Outside the map. An owned map need not record what it does not own.
  if (!on && kind_ == MapKind::Owned) return okStatus();
  if (page >= start) {
    size_t needed = kUsageMapInlineBitmap + (page - start) / 8 + 1 + kInlineGrowth;
    LF_ASSIGN_OR_RETURN(page::Page holder, pager_.read(where_.page));
    LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(spec_, holder));
    if (needed - map.row.size() <= data.freeSpace()) {
      // Pages past the covered range are free in the global map, unowned otherwise.
      map.row.resize(needed, kind_ == MapKind::Global ? 0xFF : 0x00);
      putBit(map.row.data() + kUsageMapInlineBitmap, page - start, on);
      return store(map.row);
    }
  }
  LF_RETURN_IF_ERROR(toReference(map, page, source));
  return setReference(map, page, on, source);
}

Result<uint32_t> UsageMapWriter::newBitmap(BitmapPageSource& source, uint32_t firstCovered) {
  LF_ASSIGN_OR_RETURN(uint32_t number, source.newBitmapPage());
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, pager_.modify(number));
  std::fill(bytes.begin(), bytes.end(), 0);
  bytes[0] = format::kPageUsageBitmap;
  bytes[1] = 0x01;
  if (kind_ == MapKind::Global) {
    // Pages that do not exist yet are free.
    for (uint32_t k = 0; k < pagesPerBitmap(); ++k) {
      if (uint64_t(firstCovered) + k >= pager_.pageCount()) putBit(bytes.data() + kUsageBitmapPageStart, k, true);
    }
  }
  return number;
}

Status UsageMapWriter::toReference(Loaded& map, uint32_t needPage, BitmapPageSource& source) {
  // Collect the pages the inline map marks, then rebuild as a reference map
  // of the same row length (or longer when more slots are needed).
  uint32_t start = format::u32le(map.row, kUsageMapInlineStart);
  uint64_t bits = uint64_t(map.row.size() - kUsageMapInlineBitmap) * 8;
  std::vector<uint32_t> marked;
  for (uint64_t k = 0; k < bits; ++k) {
    if (bit(map.row.data() + kUsageMapInlineBitmap, k) && start + k < pager_.pageCount()) {
      marked.push_back(uint32_t(start + k));
    }
  }
  size_t slots = std::max<size_t>((map.row.size() - 1) / 4, needPage / pagesPerBitmap() + 1);
  if (kind_ == MapKind::Global) slots = std::max<size_t>(slots, pager_.pageCount() / pagesPerBitmap() + 1);
  map.type = kUsageMapReference;
  map.row.assign(1 + 4 * slots, 0);
  map.row[0] = kUsageMapReference;
  LF_RETURN_IF_ERROR(store(map.row));
  if (kind_ == MapKind::Global) {
    // Every slot gets its bitmap, so every page of the file keeps a bit.
    LF_RETURN_IF_ERROR(cover(pager_.pageCount(), source));
    LF_ASSIGN_OR_RETURN(map, load());
  }
  for (uint32_t page : marked) LF_RETURN_IF_ERROR(setReference(map, page, true, source));
  return okStatus();
}

Status UsageMapWriter::setReference(Loaded& map, uint32_t page, bool on, BitmapPageSource& source) {
  size_t slot = page / pagesPerBitmap();
  if (1 + 4 * (slot + 1) > map.row.size()) {
    if (!on && kind_ == MapKind::Owned) return okStatus();
    std::vector<uint8_t> longer = map.row;
    longer.resize(1 + 4 * (slot + 1), 0);
    LF_RETURN_IF_ERROR(store(longer));
    map.row = std::move(longer);
  }
  uint32_t bitmapPage = slotPage(map.row, slot);
  if (bitmapPage == 0) {
    if (!on && kind_ == MapKind::Owned) return okStatus();
    LF_ASSIGN_OR_RETURN(bitmapPage, newBitmap(source, uint32_t(slot * pagesPerBitmap())));
    format::put32le(&map.row[1 + 4 * slot], bitmapPage);
    LF_RETURN_IF_ERROR(store(map.row));
    // The global map's own bitmap pages come straight from the end of the
    // file; mark them used here, now that their slot exists.
    if (kind_ == MapKind::Global) LF_RETURN_IF_ERROR(set(bitmapPage, false, source));
  }
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, pager_.modify(bitmapPage));
  putBit(bytes.data() + kUsageBitmapPageStart, page % pagesPerBitmap(), on);
  return okStatus();
}

Status UsageMapWriter::cover(uint32_t pageCount, BitmapPageSource& source) {
  if (pageCount == 0) return okStatus();
  LF_ASSIGN_OR_RETURN(Loaded map, load());
  if (map.type == kUsageMapInline) {
    uint32_t start = format::u32le(map.row, kUsageMapInlineStart);
    uint64_t bits = uint64_t(map.row.size() - kUsageMapInlineBitmap) * 8;
    if (start + bits >= pageCount) return okStatus();
    // Growing past the last page writes its bit as free; the caller then
    // marks the pages it uses.
    return setInline(map, pageCount - 1, true, source);
  }
  for (size_t slot = 0; slot * pagesPerBitmap() < pageCount; ++slot) {
    if (1 + 4 * (slot + 1) <= map.row.size() && slotPage(map.row, slot) != 0) continue;
    LF_RETURN_IF_ERROR(setReference(map, uint32_t(slot * pagesPerBitmap()), false, source));
    LF_ASSIGN_OR_RETURN(map, load());
  }
  return okStatus();
}

Result<std::optional<uint32_t>> UsageMapWriter::findSet(uint32_t from, uint32_t limit) {
  LF_ASSIGN_OR_RETURN(row::RowBytes held, view());
  format::Bytes row = held.bytes;
  // Looks for a set bit in `bitmap` (covering pages from `first`) in [from, limit).
  auto scan = [&](const uint8_t* bitmap, uint64_t bits, uint64_t first) -> std::optional<uint32_t> {
    uint64_t k = from > first ? from - first : 0;
    uint64_t end = std::min<uint64_t>(bits, limit > first ? limit - first : 0);
    while (k < end) {
      if (k % 8 == 0 && bitmap[k / 8] == 0) {
        k += 8;
        continue;
      }
      if (bit(bitmap, k)) return uint32_t(first + k);
      ++k;
    }
    return std::nullopt;
  };
  if (row[0] == kUsageMapInline) {
    uint32_t start = format::u32le(row, kUsageMapInlineStart);
    return scan(row.data() + kUsageMapInlineBitmap, uint64_t(row.size() - kUsageMapInlineBitmap) * 8, start);
  }
  for (size_t slot = from / pagesPerBitmap(); 1 + 4 * (slot + 1) <= row.size(); ++slot) {
    uint64_t first = uint64_t(slot) * pagesPerBitmap();
    if (first >= limit) break;
    uint32_t bitmapPage = slotPage(row, slot);
    if (bitmapPage == 0) continue;
    LF_ASSIGN_OR_RETURN(page::Page bitmap, pager_.read(bitmapPage));
    if (auto found = scan(bitmap.bytes().data() + kUsageBitmapPageStart, pagesPerBitmap(), first)) return found;
  }
  return std::optional<uint32_t>();
}

}  // namespace ledgerfen::usage
