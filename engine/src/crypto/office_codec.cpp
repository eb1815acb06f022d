#include "crypto/office_codec.h"

#include "crypto/agile_codec.h"
#include "crypto/agile_descriptor.h"
#include "crypto/encryption_info.h"
#include "crypto/office_keys.h"
#include "crypto/rc4_cryptoapi_codec.h"
#include "crypto/standard_aes_codec.h"

namespace ledgerfen::crypto {

Result<std::unique_ptr<page::PageCodec>> makeOfficePageCodec(format::Bytes description,
                                                             std::array<uint8_t, 4> encodingKey,
                                                             std::string_view password) {
  LF_ASSIGN_OR_RETURN(EncryptionInfo info, parseEncryptionInfo(description));
  switch (info.kind) {
    case OfficeEncryption::Rc4CryptoApi:
      return makeRc4CryptoApiCodec(info.cryptoApi, encodingKey, officePasswordBytes(password));
    case OfficeEncryption::StandardAes:
      return makeStandardAesCodec(info.cryptoApi, encodingKey, officePasswordBytes(password));
    case OfficeEncryption::Agile: {
      LF_ASSIGN_OR_RETURN(AgileDescriptor descriptor, parseAgileDescriptor(info.agileDescriptor));
      return makeAgileCodec(descriptor, encodingKey, officePasswordBytes(password));
    }
  }
  return Error(ErrorKind::Unsupported, "unknown encryption provider");
}

}  // namespace ledgerfen::crypto
