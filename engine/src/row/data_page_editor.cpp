#include "row/data_page_editor.h"

#include <algorithm>
#include <cstring>

#include "format/bytes.h"

namespace ledgerfen::row {

void DataPageEditor::initialize(const format::FormatSpec& spec, std::span<uint8_t> page, uint32_t owner) {
  std::fill(page.begin(), page.end(), 0);
  page[0] = format::kPageData;
  page[1] = 0x01;
  format::put32le(&page[spec.dataOwner], owner);
  format::put16le(&page[spec.dataFreeSpace], uint16_t(spec.pageSize - spec.dataHeaderSize));
}

uint16_t DataPageEditor::rowCount() const {
  return format::u16le(page_, spec_.dataRowCount);
}

uint16_t DataPageEditor::slotWord(uint16_t slot) const {
  return format::u16le(page_, spec_.dataHeaderSize + 2u * slot);
}

void DataPageEditor::setSlotWord(uint16_t slot, uint16_t word) {
  format::put16le(&page_[spec_.dataHeaderSize + 2u * slot], word);
}

void DataPageEditor::setSlotFlags(uint16_t slot, uint16_t flags) {
  setSlotWord(slot, uint16_t((slotWord(slot) & format::kRowOffsetMask) | flags));
}

uint32_t DataPageEditor::freeSpace() const {
  uint32_t tableEnd = spec_.dataHeaderSize + 2u * rowCount();
  uint32_t lowest = lowestRowStart();
  return lowest > tableEnd ? lowest - tableEnd : 0;
}

void DataPageEditor::updateFreeSpace() {
  format::put16le(&page_[spec_.dataFreeSpace], uint16_t(freeSpace()));
}

std::span<uint8_t> DataPageEditor::row(uint16_t slot) {
  return page_.subspan(rowStart(slot), rowEnd(slot) - rowStart(slot));
}

Result<uint16_t> DataPageEditor::addRow(std::span<const uint8_t> bytes, uint16_t flags) {
  if (!canAdd(bytes.size())) return Error(ErrorKind::Constraint, "the row does not fit the page");
  uint16_t slot = rowCount();
  uint32_t start = lowestRowStart() - uint32_t(bytes.size());
  std::memcpy(&page_[start], bytes.data(), bytes.size());
  format::put16le(&page_[spec_.dataRowCount], uint16_t(slot + 1));
  setSlotWord(slot, uint16_t(start | flags));
  updateFreeSpace();
  return slot;
}

Status DataPageEditor::replaceRow(uint16_t slot, std::span<const uint8_t> bytes) {
  const uint32_t start = rowStart(slot), end = rowEnd(slot);
  const int64_t delta = int64_t(bytes.size()) - int64_t(end - start);  // > 0: the row grows
  if (delta > int64_t(freeSpace())) return Error(ErrorKind::Constraint, "the row does not fit the page");
  if (delta != 0) {
    // Rows after `slot` lie below it; move them (and this row's start) by delta.
    const uint32_t lowest = lowestRowStart();
    std::memmove(&page_[size_t(int64_t(lowest) - delta)], &page_[lowest], start - lowest);
    for (uint16_t s = slot; s < rowCount(); ++s) {
      uint16_t word = slotWord(s);
      uint32_t moved = uint32_t(int64_t(word & format::kRowOffsetMask) - delta);
      setSlotWord(s, uint16_t((word & ~format::kRowOffsetMask) | moved));
    }
  }
  if (!bytes.empty()) std::memcpy(&page_[rowStart(slot)], bytes.data(), bytes.size());
  updateFreeSpace();
  return okStatus();
}

}  // namespace ledgerfen::row
