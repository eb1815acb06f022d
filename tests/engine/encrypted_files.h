// Making encoded and encrypted copies of fixtures for tests: header fields
// written through the header mask, encryption descriptions replaced, every
// page run through a codec; and dumping the result from memory.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/header.h"
#include "ledgerfen/status.h"
#include "page/page_codec.h"

namespace ledgerfen::test {

using FileBytes = std::vector<uint8_t>;

std::vector<uint8_t> fixtureFileBytes(const std::string& path);
uint32_t pageSizeOf(const FileBytes& file);
// Page 0 as parsed (the masked region undone).
format::DatabaseHeader headerOf(const FileBytes& file);

// Writes `value` at `offset` of page 0 inside the masked region, as it reads after unmasking.
void writeMasked(FileBytes& file, size_t offset, std::span<const uint8_t> value);
void setEncodingKey(FileBytes& file, std::array<uint8_t, 4> key);
// Replaces the ACE encryption description and its length.
void setCryptDescription(FileBytes& file, std::span<const uint8_t> description);
// Runs every page but page 0 through the codec's encode or decode.
void encodePages(FileBytes& file, const page::PageCodec& codec);
void decodePages(FileBytes& file, const page::PageCodec& codec);

// Opening only: the status of Database::openBytes.
Status openStatus(const FileBytes& file, const std::string& password = "");
// The canonical dump of the bytes, or "error: <message>".
std::string dumpOf(const FileBytes& file, const std::string& password = "");

}  // namespace ledgerfen::test
