// Standard encryption (AES-ECB with a SHA-1 key derivation of 50 000
// rounds): every page is AES-ECB-encrypted with a key derived from the
// password hash and the page's block key. The password is checked against
// the verifier in the header.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "crypto/encryption_info.h"
#include "crypto/secret_bytes.h"
#include "page/page_codec.h"

namespace ledgerfen::crypto {

// The codec, or WrongPassword when `password` (UTF-16LE) does not match the verifier.
Result<std::unique_ptr<page::PageCodec>> makeStandardAesCodec(const CryptoApiParameters& parameters,
                                                              std::array<uint8_t, 4> encodingKey,
                                                              const SecretBytes& password);

}  // namespace ledgerfen::crypto
