#include "crypto/rc4.h"

#include <memory>

#include "crypto/libcrypto.h"

namespace ledgerfen::crypto {
namespace {

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

}  // namespace

Status rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
  const EVP_CIPHER* cipher = fetchCipher("RC4");
  if (!cipher) {
    return Error(ErrorKind::Unsupported,
                 "the RC4 cipher is not available: OpenSSL's legacy provider could not be loaded");
  }
  if (data.empty()) return okStatus();
  std::unique_ptr<EVP_CIPHER_CTX, ContextFree> ctx(EVP_CIPHER_CTX_new());
  unsigned int keyLength = unsigned(key.size());
  OSSL_PARAM params[] = {OSSL_PARAM_construct_uint("keylen", &keyLength), OSSL_PARAM_construct_end()};
  int produced = 0;
  if (!ctx || EVP_EncryptInit_ex2(ctx.get(), cipher, nullptr, nullptr, params) != 1 ||
      EVP_EncryptInit_ex2(ctx.get(), nullptr, key.data(), nullptr, nullptr) != 1 ||
      EVP_EncryptUpdate(ctx.get(), data.data(), &produced, data.data(), int(data.size())) != 1) {
    return Error(ErrorKind::Unsupported, "RC4 failed in libcrypto");
  }
  return okStatus();
}

}  // namespace ledgerfen::crypto
