// Agile encryption (Access 2010 on): the password unlocks a random data key
// through the password key encryptor of the descriptor; every page is
// AES-CBC-encrypted with that key and an IV of hash(keyData salt || block key).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "crypto/agile_descriptor.h"
#include "crypto/secret_bytes.h"
#include "page/page_codec.h"

namespace ledgerfen::crypto {

// The codec, or WrongPassword when `password` (UTF-16LE) does not match the verifier.
Result<std::unique_ptr<page::PageCodec>> makeAgileCodec(const AgileDescriptor& descriptor,
                                                        std::array<uint8_t, 4> encodingKey,
                                                        const SecretBytes& password);

}  // namespace ledgerfen::crypto
