// The engine's access to OpenSSL's libcrypto.
//
// Algorithms are fetched once from a private library context holding the
// default provider and, for RC4 and the older hashes, the legacy provider, so
// the process-wide OpenSSL defaults stay untouched. Fetched algorithms live
// for the whole process and may be used from any thread.
#pragma once

#include <openssl/evp.h>

#include <string>

namespace ledgerfen::crypto {

// The cipher or digest of that OpenSSL name, or null when no provider has it.
const EVP_CIPHER* fetchCipher(const std::string& name);
const EVP_MD* fetchDigest(const std::string& name);

}  // namespace ledgerfen::crypto
