#include "crypto/agile_codec.h"

#include "crypto/aes.h"
#include "crypto/block_key.h"
#include "crypto/office_keys.h"

namespace ledgerfen::crypto {
namespace {

class AgileCodec final : public page::PageCodec {
 public:
  AgileCodec(SecretBytes key, const AgileCipherParameters& keyData, std::array<uint8_t, 4> encodingKey)
      : key_(std::move(key)), keyData_(keyData), encodingKey_(encodingKey) {}

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
    LF_ASSIGN_OR_RETURN(SecretBytes iv, agileIv(keyData_.hash, keyData_.salt, pageBlockKey(encodingKey_, pageNumber),
                                                keyData_.blockSize));
    return aes(AesMode::Cbc, direction, key_.view(), iv.view(), page);
  }

  SecretBytes key_;
  AgileCipherParameters keyData_;
  std::array<uint8_t, 4> encodingKey_;
};

// Decrypts one value of the password key encryptor with the key of `block`.
Result<SecretBytes> decryptPasswordKeyValue(const AgilePasswordKey& p, const SecretBytes& iterated,
                                            std::span<const uint8_t> block, const std::vector<uint8_t>& encrypted) {
  LF_ASSIGN_OR_RETURN(SecretBytes key, agileKey(p.cipher.hash, iterated, block, p.cipher.keyBits / 8));
  SecretBytes iv = fitWith36(p.cipher.salt, p.cipher.blockSize);
  SecretBytes value(encrypted);
  LF_RETURN_IF_ERROR(aes(AesMode::Cbc, CipherDirection::Decrypt, key.view(), iv.view(), value.span()));
  return value;
}

}  // namespace

Result<std::unique_ptr<page::PageCodec>> makeAgileCodec(const AgileDescriptor& d, std::array<uint8_t, 4> encodingKey,
                                                        const SecretBytes& password) {
  const AgilePasswordKey& p = d.passwordKey;
  // The three keys differ only in their last hash; the rounds are shared.
  LF_ASSIGN_OR_RETURN(SecretBytes iterated,
                      iteratedPasswordHash(p.cipher.hash, p.cipher.salt, password.view(), p.spinCount));
  LF_ASSIGN_OR_RETURN(SecretBytes verifier,
                      decryptPasswordKeyValue(p, iterated, kAgileVerifierInputBlock, p.encryptedVerifierHashInput));
  LF_ASSIGN_OR_RETURN(SecretBytes verifierHash,
                      decryptPasswordKeyValue(p, iterated, kAgileVerifierHashBlock, p.encryptedVerifierHashValue));
  // The verifier is as long as the salt; the encrypted forms are padded to whole blocks.
  LF_ASSIGN_OR_RETURN(SecretBytes expected, p.cipher.hash.hash({verifier.view().first(p.cipher.salt.size())}));
  if (CRYPTO_memcmp(expected.data(), verifierHash.data(), expected.size()) != 0) {
    return Error(ErrorKind::WrongPassword, "the password does not match the verifier");
  }
  LF_ASSIGN_OR_RETURN(SecretBytes key, decryptPasswordKeyValue(p, iterated, kAgileKeyValueBlock, p.encryptedKeyValue));
  key.resize(d.keyData.keyBits / 8, 0);
  return std::unique_ptr<page::PageCodec>(std::make_unique<AgileCodec>(std::move(key), d.keyData, encodingKey));
}

}  // namespace ledgerfen::crypto
