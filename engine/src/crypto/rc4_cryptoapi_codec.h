// RC4 CryptoAPI encryption (Access 2007): every page is RC4-encrypted with
// its own key, SHA-1(SHA-1(salt || password) || block key) cut to the key
// size. The password is checked against the verifier in the header.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "crypto/encryption_info.h"
#include "crypto/secret_bytes.h"
#include "page/page_codec.h"

namespace ledgerfen::crypto {

// The codec, or WrongPassword when `password` (UTF-16LE) does not match the verifier.
Result<std::unique_ptr<page::PageCodec>> makeRc4CryptoApiCodec(const CryptoApiParameters& parameters,
                                                               std::array<uint8_t, 4> encodingKey,
                                                               const SecretBytes& password);

}  // namespace ledgerfen::crypto
