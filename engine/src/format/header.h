// The database header (page 0): format, code page, sort order, creation date,
// the page-encoding key, the old-style password field and, in ACE files, the
// description of the encryption provider.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "ledgerfen/status.h"

namespace ledgerfen::format {

// Header fields (offsets on page 0). The region from kHeaderMaskStart is
// XOR-ed with the RC4 key stream of kHeaderMaskKey; all fields inside it are
// read after unmasking.
inline constexpr uint32_t kHeaderMagic = 0x00;       // 00 01 00 00
inline constexpr uint32_t kHeaderEngineName = 0x04;  // "Standard Jet DB" / "Standard ACE DB"
inline constexpr uint32_t kHeaderVersion = 0x14;     // 1 byte
inline constexpr uint32_t kHeaderMaskStart = 0x18;
inline constexpr uint32_t kHeaderJet3SortOrder = 0x3A;   // 2 bytes LCID
inline constexpr uint32_t kHeaderCodePage = 0x3C;        // 2 bytes
inline constexpr uint32_t kHeaderEncodingKey = 0x3E;     // 4 bytes, 0 = pages not encoded
inline constexpr uint32_t kHeaderPassword = 0x42;        // 20 (Jet3) or 40 (Jet4) bytes
inline constexpr uint32_t kHeaderSortOrder = 0x6E;       // Jet4: LCID (2), 0, sort version (1)
inline constexpr uint32_t kHeaderCreationDate = 0x72;    // 8 bytes, OLE date
inline constexpr uint32_t kHeaderCryptLength = 0x299;    // ACE: 2 bytes
inline constexpr uint32_t kHeaderCryptProvider = 0x29B;  // ACE: the provider description
inline constexpr std::array<uint8_t, 4> kHeaderMaskKey = {0xC7, 0xDA, 0x39, 0x6B};

struct DatabaseHeader {
  FileFormat format = FileFormat::Jet4;
  uint16_t codePage = 1252;
  uint16_t sortOrder = 0x0409;
  uint8_t sortVersion = 0;
  std::array<uint8_t, 4> encodingKey{};  // all zero when pages are stored as they are
  double creationDate = 0;
  std::vector<uint8_t> passwordField;  // unmasked bytes of the password field
  std::vector<uint8_t> cryptProvider;  // ACE encryption provider description (empty if none)
  std::vector<uint8_t> unmaskedPage;   // page 0 with the masked region decoded

  bool pagesEncoded() const { return encodingKey[0] | encodingKey[1] | encodingKey[2] | encodingKey[3]; }
};

// Reads the header from the first bytes of the file (at least one 2 KB page,
// the whole first page when the file has it).
Result<DatabaseHeader> parseHeader(Bytes page0);

// The header page of a new database without a password, created at
// `creationDate` (an OLE date), in the General Legacy sort order.
Result<std::vector<uint8_t>> buildHeader(FileFormat format, double creationDate);

}  // namespace ledgerfen::format
