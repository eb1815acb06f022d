#include "lval/long_value_writer.h"

#include <algorithm>
#include <unordered_set>

#include "lval/long_value.h"
#include "row/data_page.h"
#include "row/data_page_editor.h"
#include "usage/usage_map_writer.h"

namespace ledgerfen::lval {
namespace {

ByteString definition(uint32_t length, uint8_t kind, format::RowPointer first) {
  ByteString def(kLongValueDefinitionSize, 0);
  format::put32le(def.data(), length | (uint32_t(kind) << 24));
  format::put32le(def.data() + 4, first.packed());
  return def;
}

}  // namespace

ByteString LongValueWriter::inlineDefinition(std::span<const uint8_t> data) {
  ByteString def = definition(uint32_t(data.size()), kLongValueInline, {});
  def.resize(kLongValueDefinitionSize + data.size());
  std::copy(data.begin(), data.end(), def.begin() + kLongValueDefinitionSize);
  return def;
}

// Keeps a page in the column's free-space map exactly while it has room.
Status LongValueWriter::recordRoom(uint32_t page, const tdef::LongValueMaps* maps) {
  if (!maps || maps->freePages.isNull()) return okStatus();
  LF_ASSIGN_OR_RETURN(page::Page bytes, pager_.read(page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(spec_, bytes));
  bool room = data.rowCount() < row::kMaxRowsPerPage && data.freeSpace() >= kInlineLimit;
  usage::UsageMapWriter freeMap(pager_, spec_, maps->freePages, usage::MapKind::Owned);
  LF_ASSIGN_OR_RETURN(bool listed, freeMap.test(page));
  return listed == room ? okStatus() : freeMap.set(page, room, allocator_);
}

Result<format::RowPointer> LongValueWriter::addRow(std::span<const uint8_t> bytes, const tdef::LongValueMaps* maps) {
  uint32_t& fill = fillPages_[maps ? maps->ownedPages.packed() : 0];
  if (fill != 0) {
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, pager_.modify(fill));
    row::DataPageEditor editor(spec_, page);
    if (editor.canAdd(bytes.size())) {
      LF_ASSIGN_OR_RETURN(uint16_t slot, editor.addRow(bytes));
      LF_RETURN_IF_ERROR(recordRoom(fill, maps));
      return format::RowPointer{fill, uint8_t(slot)};
    }
  }
  LF_ASSIGN_OR_RETURN(fill, allocator_.allocate());
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, pager_.modify(fill));
  row::DataPageEditor::initialize(spec_, page, row::kLongValueOwner);
  LF_ASSIGN_OR_RETURN(uint16_t slot, row::DataPageEditor(spec_, page).addRow(bytes));
  if (maps && !maps->ownedPages.isNull()) {
    usage::UsageMapWriter owned(pager_, spec_, maps->ownedPages, usage::MapKind::Owned);
    LF_RETURN_IF_ERROR(owned.set(fill, true, allocator_));
  }
  LF_RETURN_IF_ERROR(recordRoom(fill, maps));
  return format::RowPointer{fill, uint8_t(slot)};
}

Result<ByteString> LongValueWriter::writeOutOfLine(std::span<const uint8_t> data, const tdef::LongValueMaps* maps) {
  if (data.size() > kLongValueLengthMask) {
    return Error(ErrorKind::Constraint, "a value of " + std::to_string(data.size()) + " bytes is too long to store");
  }
  const size_t payload = spec_.longValueFragment;
  if (data.size() <= payload + 4) {
    LF_ASSIGN_OR_RETURN(format::RowPointer at, addRow(data, maps));
    return definition(uint32_t(data.size()), kLongValueSingle, at);
  }
  // A chain: write the fragments front to back, then point each at the next.
  std::vector<format::RowPointer> fragments;
  ByteString row;
  for (size_t at = 0; at < data.size(); at += payload) {
    size_t take = std::min(payload, data.size() - at);
    row.assign(4, 0);
    row.insert(row.end(), data.begin() + at, data.begin() + at + take);
    LF_ASSIGN_OR_RETURN(format::RowPointer where, addRow(row, maps));
    fragments.push_back(where);
  }
  for (size_t i = 0; i + 1 < fragments.size(); ++i) {
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, pager_.modify(fragments[i].page));
    std::span<uint8_t> bytes = row::DataPageEditor(spec_, page).row(fragments[i].row);
    format::put32le(bytes.data(), fragments[i + 1].packed());
  }
  return definition(uint32_t(data.size()), kLongValueChain, fragments.front());
}

Status LongValueWriter::free(format::Bytes def, const tdef::LongValueMaps* maps) {
  if (def.size() < kLongValueDefinitionSize) return okStatus();
  uint8_t kind = uint8_t(format::u32le(def, 0) >> 24) & 0xC0;
  if (kind == kLongValueInline) return okStatus();
  auto at = format::RowPointer::unpack(format::u32le(def, 4));
  std::unordered_set<uint32_t> seen;
  while (!at.isNull() && seen.insert(at.packed()).second) {
    LF_ASSIGN_OR_RETURN(page::Page page, pager_.read(at.page));
    LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(spec_, page));
    if (!data.isLongValuePage() || at.row >= data.rowCount() || data.isDeleted(at.row)) {
      return Error(ErrorKind::Corrupt, "a long value points to a row that does not hold one");
    }
    format::RowPointer next{};
    if (kind == kLongValueChain) {
      LF_ASSIGN_OR_RETURN(format::Bytes bytes, data.row(at.row));
      if (bytes.size() >= 4) next = format::RowPointer::unpack(format::u32le(bytes, 0));
    }
    // The row's bytes go; its slot stays, flagged deleted, so no pointer changes meaning.
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> writable, pager_.modify(at.page));
    row::DataPageEditor editor(spec_, writable);
    LF_RETURN_IF_ERROR(editor.replaceRow(at.row, {}));
    editor.setSlotFlags(at.row, format::kRowDeletedFlag | format::kRowLookupFlag);
    LF_RETURN_IF_ERROR(releaseIfEmpty(at.page, maps));
    at = next;
  }
  return okStatus();
}

// A long-value page without live rows goes back to the file's free pages.
Status LongValueWriter::releaseIfEmpty(uint32_t page, const tdef::LongValueMaps* maps) {
  LF_ASSIGN_OR_RETURN(page::Page bytes, pager_.read(page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(spec_, bytes));
  for (uint16_t slot = 0; slot < data.rowCount(); ++slot) {
    if (!data.isDeleted(slot)) return recordRoom(page, maps);
  }
  for (auto it = fillPages_.begin(); it != fillPages_.end();) {
    it = it->second == page ? fillPages_.erase(it) : std::next(it);
  }
  if (maps) {
    for (format::RowPointer map : {maps->ownedPages, maps->freePages}) {
      if (map.isNull()) continue;
      usage::UsageMapWriter writer(pager_, spec_, map, usage::MapKind::Owned);
      LF_RETURN_IF_ERROR(writer.set(page, false, allocator_));
    }
  }
  return allocator_.release(page);
}

}  // namespace ledgerfen::lval
