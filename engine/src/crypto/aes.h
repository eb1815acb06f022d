// AES through libcrypto, without padding: Access encrypts whole pages and
// fixed-size fields whose length is already a multiple of the block.
#pragma once

#include <cstdint>
#include <span>

#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

inline constexpr size_t kAesBlockSize = 16;

enum class AesMode { Ecb, Cbc };
enum class CipherDirection { Encrypt, Decrypt };

// Encrypts or decrypts `data` in place. The key is 16, 24 or 32 bytes; the IV
// (CBC only) one block; `data` a whole number of blocks.
Status aes(AesMode mode, CipherDirection direction, std::span<const uint8_t> key, std::span<const uint8_t> iv,
           std::span<uint8_t> data);

}  // namespace ledgerfen::crypto
