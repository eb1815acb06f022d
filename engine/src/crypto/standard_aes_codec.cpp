#include "crypto/standard_aes_codec.h"

#include "crypto/aes.h"
#include "crypto/block_key.h"
#include "crypto/digest.h"
#include "crypto/office_keys.h"

namespace ledgerfen::crypto {
namespace {

class StandardAesCodec final : public page::PageCodec {
 public:
  StandardAesCodec(SecretBytes iterated, uint32_t keyBits, std::array<uint8_t, 4> encodingKey)
      : iterated_(std::move(iterated)), keyBits_(keyBits), encodingKey_(encodingKey) {}

  Status decode(uint32_t pageNumber, std::span<uint8_t> page) const override {
    return apply(pageNumber, page, CipherDirection::Decrypt);
  }
  Status encode(uint32_t pageNumber, std::span<uint8_t> page) const override {
    return apply(pageNumber, page, CipherDirection::Encrypt);
  }

 private:
  Status apply(uint32_t pageNumber, std::span<uint8_t> page, CipherDirection direction) const {
    if (page.size() % kAesBlockSize != 0) {
      return Error(ErrorKind::Corrupt, "page " + std::to_string(pageNumber) + " is not a whole number of AES blocks");
    }
    LF_ASSIGN_OR_RETURN(SecretBytes key, standardAesKey(iterated_, pageBlockKey(encodingKey_, pageNumber), keyBits_));
    return aes(AesMode::Ecb, direction, key.view(), {}, page);
  }

  SecretBytes iterated_;
  uint32_t keyBits_;
  std::array<uint8_t, 4> encodingKey_;
};

}  // namespace

Result<std::unique_ptr<page::PageCodec>> makeStandardAesCodec(const CryptoApiParameters& p,
                                                              std::array<uint8_t, 4> encodingKey,
                                                              const SecretBytes& password) {
  LF_ASSIGN_OR_RETURN(Digest sha1, Digest::sha1());
  LF_ASSIGN_OR_RETURN(SecretBytes iterated, iteratedPasswordHash(sha1, p.salt, password.view(), p.spinCount));
  const std::array<uint8_t, 4> verifierBlock{};
  LF_ASSIGN_OR_RETURN(SecretBytes key, standardAesKey(iterated, verifierBlock, p.keyBits));
  SecretBytes verifier(p.encryptedVerifier), verifierHash(p.encryptedVerifierHash);
  LF_RETURN_IF_ERROR(aes(AesMode::Ecb, CipherDirection::Decrypt, key.view(), {}, verifier.span()));
  LF_RETURN_IF_ERROR(aes(AesMode::Ecb, CipherDirection::Decrypt, key.view(), {}, verifierHash.span()));
  LF_ASSIGN_OR_RETURN(SecretBytes expected, sha1.hash({verifier.view()}));
  if (CRYPTO_memcmp(expected.data(), verifierHash.data(), p.verifierHashSize) != 0) {
    return Error(ErrorKind::WrongPassword, "the password does not match the verifier");
  }
  return std::unique_ptr<page::PageCodec>(
      std::make_unique<StandardAesCodec>(std::move(iterated), p.keyBits, encodingKey));
}

}  // namespace ledgerfen::crypto
