// The encryption description of an ACE header (the bytes at
// kHeaderCryptProvider): which Office encryption protects the pages, and its
// parameters. Offsets below are from the start of the description; see
// docs/file-format.md for the layouts.
//
// Three kinds are read: RC4 CryptoAPI (Access 2007), Standard AES-ECB (also
// in the form Access writes with its compatibility mode off: an AES cipher
// without the AES flag, and a password hash that is not iterated), and agile
// AES (Access 2010 on). Extensible and unknown providers are refused as
// Unsupported; a description too short for what it declares is Corrupt.
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

inline constexpr uint32_t kCryptVersionMajor = 0;  // 2 bytes
inline constexpr uint32_t kCryptVersionMinor = 2;  // 2 bytes
// RC4 CryptoAPI and Standard: a copy of the header flags, the header size and
// the header, then the verifier.
inline constexpr uint32_t kCryptFlags = 4;
inline constexpr uint32_t kCryptHeaderSize = 8;
inline constexpr uint32_t kCryptHeader = 12;
// Within that header:
inline constexpr uint32_t kCryptHeaderAlgorithm = 8;
inline constexpr uint32_t kCryptHeaderHash = 12;
inline constexpr uint32_t kCryptHeaderKeyBits = 16;
inline constexpr uint32_t kCryptHeaderProviderName = 32;  // UTF-16, NUL-terminated
// Within the verifier, which follows the header:
inline constexpr uint32_t kVerifierSaltSize = 0;
inline constexpr uint32_t kVerifierSalt = 4;
inline constexpr uint32_t kVerifierEncrypted = 20;
inline constexpr uint32_t kVerifierHashSize = 36;
inline constexpr uint32_t kVerifierEncryptedHash = 40;
inline constexpr uint32_t kVerifierSaltLength = 16;
// Agile: 4 reserved bytes (0x40), then the XML descriptor.
inline constexpr uint32_t kAgileReserved = 4;
inline constexpr uint32_t kAgileDescriptor = 8;
inline constexpr uint32_t kAgileReservedValue = 0x40;

// Header flags.
inline constexpr uint32_t kFlagCryptoApi = 0x04;
inline constexpr uint32_t kFlagExternal = 0x10;
inline constexpr uint32_t kFlagAes = 0x20;

// Algorithm identifiers of the binary header.
inline constexpr uint32_t kAlgorithmRc4 = 0x6801;
inline constexpr uint32_t kAlgorithmAes128 = 0x660E;
inline constexpr uint32_t kAlgorithmAes192 = 0x660F;
inline constexpr uint32_t kAlgorithmAes256 = 0x6610;
inline constexpr uint32_t kHashSha1 = 0x8004;

enum class OfficeEncryption { Rc4CryptoApi, StandardAes, Agile };

// Hash rounds of Standard encryption.
inline constexpr uint32_t kStandardSpinCount = 50000;

// The binary header and verifier of RC4 CryptoAPI and Standard encryption.
struct CryptoApiParameters {
  uint32_t keyBits = 0;                     // 40-128 for RC4, 128/192/256 for AES; never 0
  uint32_t spinCount = kStandardSpinCount;  // AES: rounds of the password hash (0 when the AES flag is clear)
  std::vector<uint8_t> salt;
  std::vector<uint8_t> encryptedVerifier;      // 16 bytes
  uint32_t verifierHashSize = 0;               // 20: a SHA-1
  std::vector<uint8_t> encryptedVerifierHash;  // 20 bytes (RC4) or 32 (AES)
};

struct EncryptionInfo {
  OfficeEncryption kind = OfficeEncryption::Agile;
  uint16_t versionMajor = 0;
  uint16_t versionMinor = 0;
  CryptoApiParameters cryptoApi;  // RC4 CryptoAPI and Standard
  format::Bytes agileDescriptor;  // Agile: the XML, a view into the parsed bytes
};

Result<EncryptionInfo> parseEncryptionInfo(format::Bytes description);

}  // namespace ledgerfen::crypto
