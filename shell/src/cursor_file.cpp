#include "ledgerfen/shell/cursor_file.h"

#include <QBuffer>
#include <QCursor>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <cstdlib>

namespace ledgerfen::shell {
namespace {

constexpr size_t kDirectoryHeaderSize = 6;
constexpr size_t kDirectoryEntrySize = 16;
constexpr uint16_t kCursorType = 2;
// Pointer images are a few kilobytes; anything far larger is not one.
constexpr qint64 kLargestCursorFile = 4 * 1024 * 1024;

uint16_t u16(std::span<const uint8_t> b, size_t at) {
  return uint16_t(b[at] | (b[at + 1] << 8));
}
uint32_t u32(std::span<const uint8_t> b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

Error invalid(const std::string& why) {
  return Error(ErrorKind::Corrupt, "Invalid picture: " + why);
}

}  // namespace

Result<std::vector<CursorImageEntry>> parseCursorDirectory(std::span<const uint8_t> bytes) {
  if (bytes.size() < kDirectoryHeaderSize) return invalid("the file is too short to be a cursor");
  if (u16(bytes, 0) != 0 || u16(bytes, 2) != kCursorType) return invalid("the file is not a cursor file");
  const size_t count = u16(bytes, 4);
  if (count == 0) return invalid("the cursor file holds no image");
  const size_t directoryEnd = kDirectoryHeaderSize + count * kDirectoryEntrySize;
  if (directoryEnd > bytes.size()) return invalid("the cursor directory runs past the end of the file");

  std::vector<CursorImageEntry> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kDirectoryHeaderSize + i * kDirectoryEntrySize;
    CursorImageEntry e;
    e.width = bytes[at] ? bytes[at] : 256;
    e.height = bytes[at + 1] ? bytes[at + 1] : 256;
    e.hotSpotX = u16(bytes, at + 4);
    e.hotSpotY = u16(bytes, at + 6);
    e.size = u32(bytes, at + 8);
    e.offset = u32(bytes, at + 12);
    if (e.size == 0 || e.offset < directoryEnd || uint64_t(e.offset) + e.size > bytes.size()) {
      return invalid("image " + std::to_string(i + 1) + " of the cursor lies outside the file");
    }
    entries.push_back(e);
  }
  return entries;
}

Result<QCursor> loadCursorFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    return Error(ErrorKind::Io, path + " cannot be read: " + file.errorString().toStdString());
  }
  if (file.size() > kLargestCursorFile) return invalid(path + " is too large to be a cursor");
  const QByteArray data = file.readAll();
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
  auto entries = parseCursorDirectory(bytes);
  if (!entries) return Error(entries.error().kind(), entries.error().message() + " (" + path + ")");

  // The image nearest to the usual 32 × 32 pointer size.
  size_t best = 0;
  for (size_t i = 1; i < entries->size(); ++i) {
    auto distance = [](const CursorImageEntry& e) { return std::abs(e.width - 32) + std::abs(e.height - 32); };
    if (distance((*entries)[i]) < distance((*entries)[best])) best = i;
  }
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "cur");
  if (best > 0) reader.jumpToImage(int(best));
  const QImage image = reader.read();
  if (image.isNull()) return invalid("the image of the cursor in " + path + " cannot be decoded");
  const CursorImageEntry& chosen = (*entries)[best];
  const int hotX = std::min<int>(chosen.hotSpotX, image.width() - 1);
  const int hotY = std::min<int>(chosen.hotSpotY, image.height() - 1);
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace ledgerfen::shell
