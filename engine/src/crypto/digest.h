// Hash functions through libcrypto, chosen by the names Office encryption
// headers use ("SHA1", "SHA512", ...).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "crypto/libcrypto.h"
#include "crypto/secret_bytes.h"
#include "ledgerfen/status.h"

namespace ledgerfen::crypto {

// A default-constructed Digest is unset: it hashes nothing and reports an error.
class Digest {
 public:
  Digest() = default;
  static Result<Digest> sha1() { return named("SHA1"); }
  // A hash named as in an agile encryption descriptor: SHA1, SHA256, SHA384,
  // SHA512, MD5, MD4, RIPEMD-160 or WHIRLPOOL. Unsupported for any other name
  // and for one this libcrypto cannot provide.
  static Result<Digest> named(std::string_view officeName);

  const std::string& name() const { return name_; }
  size_t size() const { return md_ ? size_t(EVP_MD_get_size(md_)) : 0; }

  // The hash of the pieces, one after the other.
  Result<SecretBytes> hash(std::initializer_list<std::span<const uint8_t>> pieces) const;
  // Hashes `count` more times: h = hash(LE32(i) || h) for i = 0 .. count-1.
  Status iterate(SecretBytes& h, uint32_t count) const;

 private:
  Digest(const EVP_MD* md, std::string name) : md_(md), name_(std::move(name)) {}
  Error failed() const;

  const EVP_MD* md_ = nullptr;
  std::string name_;
};

}  // namespace ledgerfen::crypto
