#include "engine/encrypted_files.h"

#include <gtest/gtest.h>

#include <sstream>

#include "canonical/canonical_dump.h"
#include "crypto/rc4.h"
#include "format/format_spec.h"
#include "ledgerfen/database.h"
#include "support/fixtures.h"

namespace ledgerfen::test {

std::vector<uint8_t> fixtureFileBytes(const std::string& path) {
  return readFileBytes(fixtureNamed(path).fullPath());
}

uint32_t pageSizeOf(const FileBytes& file) {
  return format::formatSpec(FileFormat(file.at(0x14))).pageSize;
}

format::DatabaseHeader headerOf(const FileBytes& file) {
  auto header = format::parseHeader(file);
  EXPECT_TRUE(header.ok()) << header.error().message();
  return header.ok() ? *header : format::DatabaseHeader{};
}

void writeMasked(FileBytes& file, size_t offset, std::span<const uint8_t> value) {
  // The mask is an RC4 key stream from kHeaderMaskStart: XOR in the change.
  std::vector<uint8_t> stream(offset + value.size() - format::kHeaderMaskStart, 0);
  ASSERT_TRUE(crypto::rc4(format::kHeaderMaskKey, stream).ok());
  for (size_t i = 0; i < value.size(); ++i) {
    file.at(offset + i) = value[i] ^ stream[offset + i - format::kHeaderMaskStart];
  }
}

void setEncodingKey(FileBytes& file, std::array<uint8_t, 4> key) {
  writeMasked(file, format::kHeaderEncodingKey, key);
}

void setCryptDescription(FileBytes& file, std::span<const uint8_t> description) {
  format::put16le(&file.at(format::kHeaderCryptLength), uint16_t(description.size()));
  std::copy(description.begin(), description.end(), file.begin() + format::kHeaderCryptProvider);
}

void encodePages(FileBytes& file, const page::PageCodec& codec) {
  uint32_t pageSize = pageSizeOf(file);
  for (uint32_t n = 1; size_t(n + 1) * pageSize <= file.size(); ++n) {
    ASSERT_TRUE(codec.encode(n, std::span(file).subspan(size_t(n) * pageSize, pageSize)).ok());
  }
}

void decodePages(FileBytes& file, const page::PageCodec& codec) {
  uint32_t pageSize = pageSizeOf(file);
  for (uint32_t n = 1; size_t(n + 1) * pageSize <= file.size(); ++n) {
    ASSERT_TRUE(codec.decode(n, std::span(file).subspan(size_t(n) * pageSize, pageSize)).ok());
  }
}

Status openStatus(const FileBytes& file, const std::string& password) {
  auto db = Database::openBytes("damaged.accdb", file, OpenOptions{password});
  if (!db) return db.error();
  return okStatus();
}

std::string dumpOf(const FileBytes& file, const std::string& password) {
  auto db = Database::openBytes("copy.accdb", file, OpenOptions{password});
  if (!db) return "error: " + db.error().message();
  std::ostringstream out;
  Status s = canonical::writeCanonicalDump(**db, out);
  if (!s.ok()) return "error: " + s.error().message();
  return out.str();
}

}  // namespace ledgerfen::test
