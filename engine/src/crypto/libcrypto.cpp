#include "crypto/libcrypto.h"

#include <openssl/provider.h>

#include <map>
#include <mutex>

namespace ledgerfen::crypto {
namespace {

class Library {
 public:
  Library() {
    context_ = OSSL_LIB_CTX_new();
    if (!context_) return;
    // The legacy provider may be missing; only RC4 and the older hashes need it.
    OSSL_PROVIDER_load(context_, "legacy");
    OSSL_PROVIDER_load(context_, "default");
  }

  const EVP_CIPHER* cipher(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto [it, added] = ciphers_.try_emplace(name, nullptr);
    if (added && context_) it->second = EVP_CIPHER_fetch(context_, name.c_str(), nullptr);
    return it->second;
  }

  const EVP_MD* digest(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto [it, added] = digests_.try_emplace(name, nullptr);
    if (added && context_) it->second = EVP_MD_fetch(context_, name.c_str(), nullptr);
    return it->second;
  }

 private:
  OSSL_LIB_CTX* context_ = nullptr;
  std::mutex mutex_;
  std::map<std::string, EVP_CIPHER*> ciphers_;
  std::map<std::string, EVP_MD*> digests_;
};

Library& library() {
  static Library instance;
  return instance;
}

}  // namespace

const EVP_CIPHER* fetchCipher(const std::string& name) {
  return library().cipher(name);
}
const EVP_MD* fetchDigest(const std::string& name) {
  return library().digest(name);
}

}  // namespace ledgerfen::crypto
