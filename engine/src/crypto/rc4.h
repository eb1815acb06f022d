// RC4 through OpenSSL's libcrypto.
//
// Access uses RC4 for the header mask, the page encoding of Jet files and the
// pages of Office CryptoAPI-encrypted files. OpenSSL 3 keeps RC4 in its legacy
// provider, which this wrapper loads into a private library context so the
// process-wide defaults stay untouched.
#pragma once

#include <cstdint>
#include <span>

#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

// XORs `data` in place with the RC4 key stream of `key` (encryption and
// decryption are the same operation).
Status rc4(std::span<const uint8_t> key, std::span<uint8_t> data);

}  // namespace ledgerfen::crypto
