#include "format/header.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "crypto/rc4.h"

namespace ledgerfen::format {
namespace {

constexpr std::string_view kJetEngine = "Standard Jet DB";
constexpr std::string_view kAceEngine = "Standard ACE DB";
constexpr std::string_view kMsisamEngine = "MSISAM Database";
constexpr std::string_view kWorkgroupEngine = "Jet System DB";

bool engineNameIs(Bytes page, std::string_view name) {
  return std::equal(name.begin(), name.end(), page.begin() + kHeaderEngineName);
}

Error notAccess(const std::string& why) {
  return Error(ErrorKind::Corrupt, "not an Access database: " + why);
}

}  // namespace

Result<DatabaseHeader> parseHeader(Bytes page0) {
  if (page0.size() < 2048) return notAccess("the file is shorter than one page");
  if (page0[0] != 0x00 || page0[1] != 0x01 || page0[2] != 0x00 || page0[3] != 0x00) {
    return notAccess("the first bytes are not those of an Access header page");
  }
  if (engineNameIs(page0, kMsisamEngine)) {
    return Error(ErrorKind::Unsupported, "MSISAM (Microsoft Works) databases are not supported");
  }
  if (engineNameIs(page0, kWorkgroupEngine)) {
    return Error(ErrorKind::Unsupported,
                 "this is a workgroup information file (.mdw): it holds the users and groups of Access "
                 "security, not tables; open the database it secures instead");
  }
  if (!engineNameIs(page0, kJetEngine) && !engineNameIs(page0, kAceEngine)) {
    return notAccess("the engine name in the header is neither Jet nor ACE");
  }
  uint8_t version = page0[kHeaderVersion];
  if (version > uint8_t(FileFormat::Ace17)) {
    return Error(ErrorKind::Unsupported, "unknown database format version " + std::to_string(version) +
                                             " (this engine reads Access 97 to Access 2019 files)");
  }
  DatabaseHeader h;
  h.format = FileFormat(version);
  const FormatSpec& spec = formatSpec(h.format);
  if (page0.size() < spec.pageSize) return notAccess("the file is shorter than one page");

  h.unmaskedPage.assign(page0.begin(), page0.begin() + spec.pageSize);
  LF_RETURN_IF_ERROR(
      crypto::rc4(kHeaderMaskKey, std::span(h.unmaskedPage).subspan(kHeaderMaskStart, spec.headerMaskedLength)));
  Bytes p(h.unmaskedPage);
  h.codePage = u16le(p, kHeaderCodePage);
  std::copy_n(p.begin() + kHeaderEncodingKey, 4, h.encodingKey.begin());
  h.creationDate = f64le(p, kHeaderCreationDate);
  size_t passwordLength = spec.jet3 ? 20 : 40;
  h.passwordField.assign(p.begin() + kHeaderPassword, p.begin() + kHeaderPassword + passwordLength);
  if (spec.jet3) {
    h.sortOrder = u16le(p, kHeaderJet3SortOrder);
  } else {
    h.sortOrder = u16le(p, kHeaderSortOrder);
    h.sortVersion = p[kHeaderSortOrder + 3];
  }
  if (isAce(h.format)) {
    uint16_t length = u16le(p, kHeaderCryptLength);
    if (!fits(p, kHeaderCryptProvider, length)) {
      return Error(ErrorKind::Corrupt, "the encryption description in the header is longer than the page");
    }
    h.cryptProvider.assign(p.begin() + kHeaderCryptProvider, p.begin() + kHeaderCryptProvider + length);
  }
  return h;
}

namespace {

// Fields of a new header, in its masked region (as unmasked bytes), that the
// Jet and ACE engines write the same way in every new database.
constexpr uint32_t kHeaderEngineFields = 0x18;
constexpr uint8_t kEngineFields[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                     0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr uint32_t kHeaderUnknown6A = 0x6A;
constexpr uint32_t kHeaderEngineVersion = 0x98;    // after the masked region: 1620, then "4.0"
constexpr uint32_t kHeaderCollationTable = 0xE00;  // 256 little-endian words

}  // namespace

Result<std::vector<uint8_t>> buildHeader(FileFormat format, double creationDate) {
  if (format == FileFormat::Jet3) return Error(ErrorKind::Unsupported, "new Access 97 databases cannot be created");
  const FormatSpec& spec = formatSpec(format);
  std::vector<uint8_t> page(spec.pageSize, 0);
  page[1] = 0x01;
  std::string_view engine = isAce(format) ? kAceEngine : kJetEngine;
  std::copy(engine.begin(), engine.end(), page.begin() + kHeaderEngineName);
  page[kHeaderVersion] = uint8_t(format);
  std::copy(std::begin(kEngineFields), std::end(kEngineFields), page.begin() + kHeaderEngineFields);
  put16le(&page[kHeaderCodePage], 1252);
  // No password: the field holds nothing but the mask of the creation date.
  uint32_t mask = uint32_t(int32_t(std::trunc(creationDate)));
  for (uint32_t i = 0; i < 40; ++i) page[kHeaderPassword + i] = uint8_t(mask >> (8 * (i % 4)));
  put32le(&page[kHeaderUnknown6A], 0x11A6);
  put16le(&page[kHeaderSortOrder], 0x0409);
  uint64_t bits;
  std::memcpy(&bits, &creationDate, sizeof bits);
  put32le(&page[kHeaderCreationDate], uint32_t(bits));
  put32le(&page[kHeaderCreationDate + 4], uint32_t(bits >> 32));
  LF_RETURN_IF_ERROR(crypto::rc4(kHeaderMaskKey, std::span(page).subspan(kHeaderMaskStart, spec.headerMaskedLength)));
  put32le(&page[kHeaderEngineVersion], 1620);
  std::copy_n("4.0", 3, page.begin() + kHeaderEngineVersion + 4);
  put16le(&page[kHeaderCollationTable], isAce(format) ? 0x011E : 0x0101);
  put16le(&page[kHeaderCollationTable + 2], isAce(format) ? 0x017A : 0x0100);
  for (uint32_t i = 2; i < 256; ++i) put16le(&page[kHeaderCollationTable + 2 * i], 0x0100);
  return page;
}

}  // namespace ledgerfen::format
