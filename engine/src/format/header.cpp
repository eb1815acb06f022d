#include "format/header.h"

#include <algorithm>
#include <string_view>

#include "crypto/rc4.h"

namespace ledgerfen::format {
namespace {

constexpr std::string_view kJetEngine = "Standard Jet DB";
constexpr std::string_view kAceEngine = "Standard ACE DB";
constexpr std::string_view kMsisamEngine = "MSISAM Database";

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
  if (!engineNameIs(page0, kJetEngine) && !engineNameIs(page0, kAceEngine)) {
    return notAccess("the engine name in the header is neither Jet nor ACE");
  }
  uint8_t version = page0[kHeaderVersion];
  if (version > uint8_t(FileFormat::Ace17)) {
    return Error(ErrorKind::Unsupported,
                 "unknown database format version " + std::to_string(version) +
                     " (this engine reads Access 97 to Access 2019 files)");
  }
  DatabaseHeader h;
  h.format = FileFormat(version);
  const FormatSpec& spec = formatSpec(h.format);
  if (page0.size() < spec.pageSize) return notAccess("the file is shorter than one page");

  h.unmaskedPage.assign(page0.begin(), page0.begin() + spec.pageSize);
  LF_RETURN_IF_ERROR(crypto::rc4(kHeaderMaskKey, std::span(h.unmaskedPage).subspan(
                                                     kHeaderMaskStart, spec.headerMaskedLength)));
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

}  // namespace ledgerfen::format
