#include "crypto/aes.h"

#include <memory>
#include <string>

#include "crypto/libcrypto.h"

namespace ledgerfen::crypto {
namespace {

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

}  // namespace

Status aes(AesMode mode, CipherDirection direction, std::span<const uint8_t> key, std::span<const uint8_t> iv,
           std::span<uint8_t> data) {
  if (key.size() != 16 && key.size() != 24 && key.size() != 32) {
    return Error(ErrorKind::InvalidArgument, "an AES key must be 16, 24 or 32 bytes");
  }
  if (data.size() % kAesBlockSize != 0 || (mode == AesMode::Cbc && iv.size() != kAesBlockSize)) {
    return Error(ErrorKind::InvalidArgument, "AES data must be whole blocks and its IV one block");
  }
  if (data.empty()) return okStatus();
  std::string name = "AES-" + std::to_string(key.size() * 8) + (mode == AesMode::Ecb ? "-ECB" : "-CBC");
  const EVP_CIPHER* cipher = fetchCipher(name);
  if (!cipher) return Error(ErrorKind::Unsupported, name + " is not available in this OpenSSL");

  std::unique_ptr<EVP_CIPHER_CTX, ContextFree> ctx(EVP_CIPHER_CTX_new());
  int encrypt = direction == CipherDirection::Encrypt ? 1 : 0;
  int produced = 0, finalProduced = 0;
  if (!ctx ||
      EVP_CipherInit_ex2(ctx.get(), cipher, key.data(), mode == AesMode::Cbc ? iv.data() : nullptr, encrypt, nullptr) !=
          1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
      EVP_CipherUpdate(ctx.get(), data.data(), &produced, data.data(), int(data.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), data.data() + produced, &finalProduced) != 1 ||
      size_t(produced + finalProduced) != data.size()) {
    return Error(ErrorKind::Unsupported, name + " failed in libcrypto");
  }
  return okStatus();
}

}  // namespace ledgerfen::crypto
