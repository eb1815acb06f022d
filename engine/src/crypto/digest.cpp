#include "crypto/digest.h"

#include <memory>

namespace ledgerfen::crypto {
namespace {

struct DigestContextFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

struct KnownDigest {
  std::string_view officeName;
  const char* opensslName;
};

constexpr KnownDigest kKnownDigests[] = {
    {"SHA1", "SHA1"}, {"SHA256", "SHA2-256"}, {"SHA384", "SHA2-384"},       {"SHA512", "SHA2-512"},
    {"MD5", "MD5"},   {"MD4", "MD4"},         {"RIPEMD-160", "RIPEMD-160"}, {"WHIRLPOOL", "WHIRLPOOL"},
};

}  // namespace

Result<Digest> Digest::named(std::string_view officeName) {
  for (const KnownDigest& known : kKnownDigests) {
    if (known.officeName != officeName) continue;
    const EVP_MD* md = fetchDigest(known.opensslName);
    if (!md) {
      return Error(ErrorKind::Unsupported, "the hash is not available in this OpenSSL");
    }
    return Digest(md, std::string(officeName));
  }
  return Error(ErrorKind::Unsupported, "unknown hash algorithm");
}

Error Digest::failed() const {
  return Error(ErrorKind::Unsupported, "libcrypto failed to compute " + (md_ ? name_ : std::string("an unset hash")));
}

Result<SecretBytes> Digest::hash(std::initializer_list<std::span<const uint8_t>> pieces) const {
  DigestContext ctx(EVP_MD_CTX_new());
  SecretBytes out(size());
  if (!md_ || !ctx || EVP_DigestInit_ex2(ctx.get(), md_, nullptr) != 1) return failed();
  for (std::span<const uint8_t> piece : pieces) {
    if (EVP_DigestUpdate(ctx.get(), piece.data(), piece.size()) != 1) return failed();
  }
  unsigned int written = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out.data(), &written) != 1 || written != out.size()) return failed();
  return out;
}

Status Digest::iterate(SecretBytes& h, uint32_t count) const {
  DigestContext ctx(EVP_MD_CTX_new());
  if (!md_ || !ctx || h.size() != size()) return failed();
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t counter[4] = {uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16), uint8_t(i >> 24)};
    unsigned int written = 0;
    if (EVP_DigestInit_ex2(ctx.get(), md_, nullptr) != 1 || EVP_DigestUpdate(ctx.get(), counter, 4) != 1 ||
        EVP_DigestUpdate(ctx.get(), h.data(), h.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), h.data(), &written) != 1) {
      return failed();
    }
  }
  return okStatus();
}

}  // namespace ledgerfen::crypto
