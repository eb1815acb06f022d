// Key derivation of the Office encryption providers.
//
// Passwords enter as UTF-16LE bytes (officePasswordBytes). Keys that depend
// on the page take its block key (crypto/block_key.h); password verifiers use
// the block key 0 (RC4 CryptoAPI, Standard) or a fixed 8-byte block (agile).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "crypto/digest.h"
#include "crypto/secret_bytes.h"
#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

using ByteView = std::span<const uint8_t>;

// Longer passwords are cut to this many UTF-16 units, as Office does.
inline constexpr size_t kMaxOfficePasswordLength = 255;

// Agile blocks: the keys of the verifier input, the verifier hash and the data key.
inline constexpr std::array<uint8_t, 8> kAgileVerifierInputBlock = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
inline constexpr std::array<uint8_t, 8> kAgileVerifierHashBlock = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
inline constexpr std::array<uint8_t, 8> kAgileKeyValueBlock = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};

// The password as UTF-16LE bytes, at most kMaxOfficePasswordLength units.
SecretBytes officePasswordBytes(std::string_view utf8);

// hash(salt || password), then `rounds` more: h = hash(LE32(i) || h).
Result<SecretBytes> iteratedPasswordHash(const Digest& digest, ByteView salt, ByteView password, uint32_t rounds);

// Agile: hash(iterated || block), cut or padded with 0x36 to `keyBytes`.
Result<SecretBytes> agileKey(const Digest& digest, const SecretBytes& iterated, ByteView block, size_t keyBytes);
// Agile: hash(salt || block), cut or padded with 0x36 to `blockSize`.
Result<SecretBytes> agileIv(const Digest& digest, ByteView salt, ByteView block, size_t blockSize);
// `bytes` cut or padded with 0x36 to `size`: the IV of the password key encryptor is its salt.
SecretBytes fitWith36(ByteView bytes, size_t size);

// RC4 CryptoAPI: SHA-1(baseHash || block) cut to keyBits/8; a 40-bit key is
// padded with zeros to 16 bytes. `baseHash` is SHA-1(salt || password).
Result<SecretBytes> rc4CryptoApiKey(const SecretBytes& baseHash, ByteView block, uint32_t keyBits);

// Standard: h = SHA-1(iterated || block); the key is the first keyBits/8
// bytes of SHA-1(h XOR 0x36 * 64) || SHA-1(h XOR 0x5C * 64). `iterated` is the
// password hash after its rounds (CryptoApiParameters::spinCount).
Result<SecretBytes> standardAesKey(const SecretBytes& iterated, ByteView block, uint32_t keyBits);

}  // namespace ledgerfen::crypto
