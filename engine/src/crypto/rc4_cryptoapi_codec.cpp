#include "crypto/rc4_cryptoapi_codec.h"

#include "crypto/block_key.h"
#include "crypto/digest.h"
#include "crypto/office_keys.h"
#include "crypto/rc4.h"

namespace ledgerfen::crypto {
namespace {

class Rc4CryptoApiCodec final : public page::PageCodec {
 public:
  Rc4CryptoApiCodec(SecretBytes baseHash, uint32_t keyBits, std::array<uint8_t, 4> encodingKey)
      : baseHash_(std::move(baseHash)), keyBits_(keyBits), encodingKey_(encodingKey) {}

  Status decode(uint32_t pageNumber, std::span<uint8_t> page) const override { return apply(pageNumber, page); }
  Status encode(uint32_t pageNumber, std::span<uint8_t> page) const override { return apply(pageNumber, page); }

 private:
  Status apply(uint32_t pageNumber, std::span<uint8_t> page) const {
    LF_ASSIGN_OR_RETURN(SecretBytes key, rc4CryptoApiKey(baseHash_, pageBlockKey(encodingKey_, pageNumber), keyBits_));
    return rc4(key.view(), page);
  }

  SecretBytes baseHash_;
  uint32_t keyBits_;
  std::array<uint8_t, 4> encodingKey_;
};

}  // namespace

Result<std::unique_ptr<page::PageCodec>> makeRc4CryptoApiCodec(const CryptoApiParameters& p,
                                                               std::array<uint8_t, 4> encodingKey,
                                                               const SecretBytes& password) {
  LF_ASSIGN_OR_RETURN(Digest sha1, Digest::sha1());
  LF_ASSIGN_OR_RETURN(SecretBytes baseHash, sha1.hash({p.salt, password.view()}));
  const std::array<uint8_t, 4> verifierBlock{};
  LF_ASSIGN_OR_RETURN(SecretBytes key, rc4CryptoApiKey(baseHash, verifierBlock, p.keyBits));
  // The verifier and its hash are one RC4 stream.
  SecretBytes verifier(p.encryptedVerifier);
  verifier.resize(p.encryptedVerifier.size() + p.encryptedVerifierHash.size(), 0);
  std::copy(p.encryptedVerifierHash.begin(), p.encryptedVerifierHash.end(),
            verifier.data() + p.encryptedVerifier.size());
  LF_RETURN_IF_ERROR(rc4(key.view(), verifier.span()));
  LF_ASSIGN_OR_RETURN(SecretBytes expected, sha1.hash({verifier.view().first(p.encryptedVerifier.size())}));
  if (CRYPTO_memcmp(expected.data(), verifier.data() + p.encryptedVerifier.size(), p.verifierHashSize) != 0) {
    return Error(ErrorKind::WrongPassword, "the password does not match the verifier");
  }
  return std::unique_ptr<page::PageCodec>(
      std::make_unique<Rc4CryptoApiCodec>(std::move(baseHash), p.keyBits, encodingKey));
}

}  // namespace ledgerfen::crypto
