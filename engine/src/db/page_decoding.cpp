#include "db/page_decoding.h"

#include "crypto/jet_codec.h"
#include "crypto/jet_password.h"
#include "crypto/office_codec.h"

namespace ledgerfen::db {
namespace {

// ACE files keep no password in the header: the encryption provider checks it
// while it derives the page keys. A file whose key is zero is not encrypted,
// and a password given for it is ignored.
Status setUpAceDecryption(Database::Core& core, const std::string& password) {
  const format::DatabaseHeader& h = core.header;
  if (!h.pagesEncoded()) return okStatus();
  if (h.cryptProvider.empty()) {
    return Error(ErrorKind::Corrupt, "the header marks the pages as encrypted but describes no encryption");
  }
  auto codec = crypto::makeOfficePageCodec(h.cryptProvider, h.encodingKey, password);
  if (!codec && codec.error().kind() == ErrorKind::WrongPassword) {
    return Error(ErrorKind::WrongPassword, kNotAValidPassword);
  }
  if (!codec) return codec.error();
  core.pager->setCodec(std::move(*codec));
  return okStatus();
}

}  // namespace

Status setUpPageDecoding(Database::Core& core, const std::string& password) {
  const format::DatabaseHeader& h = core.header;
  if (isAce(h.format)) return setUpAceDecryption(core, password);
  // A password given for a database without one is ignored, as Jet does.
  if (!crypto::jetPasswordMatches(h, core.codePage.get(), password)) {
    return Error(ErrorKind::WrongPassword, kNotAValidPassword);
  }
  if (h.pagesEncoded()) core.pager->setCodec(crypto::makeJetPageCodec(h.encodingKey));
  return okStatus();
}

}  // namespace ledgerfen::db
