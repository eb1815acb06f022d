// Pointer images in the Windows cursor file format (.cur): a directory of
// images with each one's hot spot, then the images themselves (a device-
// independent bitmap with its mask, or PNG). The parser checks every count,
// offset and size against the file before it uses it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ledgerfen/status.h"

class QCursor;

namespace ledgerfen::shell {

struct CursorImageEntry {
  int width = 0;  // 0 in the file means 256
  int height = 0;
  uint16_t hotSpotX = 0;
  uint16_t hotSpotY = 0;
  uint32_t size = 0;
  uint32_t offset = 0;
};

// The directory of a cursor file: at least one entry, each lying inside the file.
Result<std::vector<CursorImageEntry>> parseCursorDirectory(std::span<const uint8_t> bytes);

// Reads a cursor file into a pointer: the entry nearest to 32 × 32 pixels,
// with its hot spot. Fails when the file cannot be read or is no valid cursor.
Result<QCursor> loadCursorFile(const std::string& path);

}  // namespace ledgerfen::shell
