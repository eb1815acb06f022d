// Changes a data page in place: adds rows, replaces a row with bytes of
// another length (moving the rows below it), flags rows, and keeps the
// free-space word right. Works on the bytes the pager handed out for
// modification; the page must already have passed DataPage::open.
#pragma once

#include <cstdint>
#include <span>

#include "format/format_spec.h"
#include "ledgerfen/status.h"

namespace ledgerfen::row {

// A data page never holds more rows than a one-byte row number can name.
inline constexpr uint16_t kMaxRowsPerPage = 255;

class DataPageEditor {
 public:
  DataPageEditor(const format::FormatSpec& spec, std::span<uint8_t> page) : spec_(spec), page_(page) {}

  // Makes `page` an empty data page owned by `owner` (a TDEF page, or
  // kLongValueOwner for long values; 0 for pages of usage maps).
  static void initialize(const format::FormatSpec& spec, std::span<uint8_t> page, uint32_t owner);

  uint16_t rowCount() const;
  // Bytes between the offset table and the lowest row.
  uint32_t freeSpace() const;
  // Whether a row of `length` bytes (plus its offset word) fits.
  bool canAdd(size_t length) const { return rowCount() < kMaxRowsPerPage && freeSpace() >= length + 2; }

  uint16_t slotWord(uint16_t slot) const;
  void setSlotFlags(uint16_t slot, uint16_t flags);  // keeps the offset, replaces the flag bits
  // The bytes of a row; `slot` must exist.
  std::span<uint8_t> row(uint16_t slot);

  // Appends a row with the given flag bits; returns its slot.
  Result<uint16_t> addRow(std::span<const uint8_t> bytes, uint16_t flags = 0);
  // Gives the row in `slot` a new length and content, moving the rows below it.
  Status replaceRow(uint16_t slot, std::span<const uint8_t> bytes);

 private:
  uint32_t rowStart(uint16_t slot) const { return slotWord(slot) & format::kRowOffsetMask; }
  uint32_t rowEnd(uint16_t slot) const { return slot == 0 ? spec_.pageSize : rowStart(uint16_t(slot - 1)); }
  uint32_t lowestRowStart() const { return rowCount() == 0 ? spec_.pageSize : rowStart(uint16_t(rowCount() - 1)); }
  void setSlotWord(uint16_t slot, uint16_t word);
  void updateFreeSpace();

  const format::FormatSpec& spec_;
  std::span<uint8_t> page_;
};

// The owner field of long-value pages: the ASCII bytes "LVAL".
inline constexpr uint32_t kLongValueOwner = 0x4C41564C;

}  // namespace ledgerfen::row
