// The XML descriptor of agile encryption: the parameters of the data key
// (<keyData>) and of the one password key encryptor (<p:encryptedKey> in the
// password key-encryptor namespace). Only AES in CBC mode is accepted, as
// Access writes it; hash names go through Digest::named.
#pragma once

#include <cstdint>
#include <vector>

#include "crypto/digest.h"
#include "format/bytes.h"
#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

inline constexpr const char* kAgileEncryptionNamespace = "http://schemas.microsoft.com/office/2006/encryption";
inline constexpr const char* kPasswordKeyEncryptorNamespace =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";
// The format allows no more hash rounds than this.
inline constexpr uint32_t kMaxSpinCount = 10'000'000;

// Cipher and hash parameters shared by both elements.
struct AgileCipherParameters {
  uint32_t keyBits = 0;    // 128, 192 or 256
  uint32_t blockSize = 0;  // 16
  Digest hash;
  std::vector<uint8_t> salt;
};

struct AgilePasswordKey {
  AgileCipherParameters cipher;
  uint32_t spinCount = 0;
  std::vector<uint8_t> encryptedVerifierHashInput;
  std::vector<uint8_t> encryptedVerifierHashValue;
  std::vector<uint8_t> encryptedKeyValue;
};

struct AgileDescriptor {
  AgileCipherParameters keyData;
  AgilePasswordKey passwordKey;
};

// Corrupt when the XML or a value is malformed or inconsistent; Unsupported for
// ciphers, chaining modes or hashes this engine does not provide, and for
// descriptors without a password key encryptor (certificate-only files).
Result<AgileDescriptor> parseAgileDescriptor(format::Bytes xml);

}  // namespace ledgerfen::crypto
