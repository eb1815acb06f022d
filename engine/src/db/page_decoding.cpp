#include "db/page_decoding.h"

#include "crypto/jet_codec.h"
#include "crypto/jet_password.h"

namespace ledgerfen::db {

Status setUpPageDecoding(Database::Core& core, const std::string& password) {
  const format::DatabaseHeader& h = core.header;
  if (isAce(h.format)) {
    if (!h.cryptProvider.empty()) {
      return Error(ErrorKind::Unsupported, "encrypted ACE databases are not supported yet");
    }
    return okStatus();
  }
  // A password given for a database without one is ignored, as Jet does.
  std::string stored = crypto::storedJetPassword(h, core.codePage.get());
  if (!stored.empty() && stored != password) return Error(ErrorKind::WrongPassword, kNotAValidPassword);
  if (h.pagesEncoded()) core.pager->setCodec(crypto::makeJetPageCodec(h.encodingKey));
  return okStatus();
}

}  // namespace ledgerfen::db
