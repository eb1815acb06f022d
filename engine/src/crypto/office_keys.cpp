#include "crypto/office_keys.h"

#include <algorithm>

#include "text/utf.h"

namespace ledgerfen::crypto {

SecretBytes officePasswordBytes(std::string_view utf8) {
  std::u16string units = text::utf8ToUtf16(utf8);
  size_t length = std::min(units.size(), kMaxOfficePasswordLength);
  SecretBytes bytes(2 * length);
  for (size_t i = 0; i < length; ++i) {
    bytes[2 * i] = uint8_t(units[i]);
    bytes[2 * i + 1] = uint8_t(units[i] >> 8);
  }
  if (!units.empty()) OPENSSL_cleanse(units.data(), units.size() * sizeof(char16_t));
  return bytes;
}

Result<SecretBytes> iteratedPasswordHash(const Digest& digest, ByteView salt, ByteView password, uint32_t rounds) {
  LF_ASSIGN_OR_RETURN(SecretBytes h, digest.hash({salt, password}));
  LF_RETURN_IF_ERROR(digest.iterate(h, rounds));
  return h;
}

SecretBytes fitWith36(ByteView bytes, size_t size) {
  SecretBytes out(bytes.first(std::min(bytes.size(), size)));
  out.resize(size, 0x36);
  return out;
}

Result<SecretBytes> agileKey(const Digest& digest, const SecretBytes& iterated, ByteView block, size_t keyBytes) {
  LF_ASSIGN_OR_RETURN(SecretBytes h, digest.hash({iterated.view(), block}));
  h.resize(keyBytes, 0x36);
  return h;
}

Result<SecretBytes> agileIv(const Digest& digest, ByteView salt, ByteView block, size_t blockSize) {
  LF_ASSIGN_OR_RETURN(SecretBytes h, digest.hash({salt, block}));
  h.resize(blockSize, 0x36);
  return h;
}

Result<SecretBytes> rc4CryptoApiKey(const SecretBytes& baseHash, ByteView block, uint32_t keyBits) {
  LF_ASSIGN_OR_RETURN(Digest sha1, Digest::sha1());
  LF_ASSIGN_OR_RETURN(SecretBytes key, sha1.hash({baseHash.view(), block}));
  key.resize(std::min<size_t>(keyBits / 8, key.size()), 0);
  // 40-bit keys are used as 128-bit keys whose last 88 bits are zero.
  if (keyBits == 40) key.resize(16, 0);
  return key;
}

Result<SecretBytes> standardAesKey(const SecretBytes& iterated, ByteView block, uint32_t keyBits) {
  LF_ASSIGN_OR_RETURN(Digest sha1, Digest::sha1());
  LF_ASSIGN_OR_RETURN(SecretBytes h, sha1.hash({iterated.view(), block}));
  SecretBytes inner(64, 0x36), outer(64, 0x5C);
  for (size_t i = 0; i < h.size(); ++i) {
    inner[i] ^= h[i];
    outer[i] ^= h[i];
  }
  LF_ASSIGN_OR_RETURN(SecretBytes x1, sha1.hash({inner.view()}));
  LF_ASSIGN_OR_RETURN(SecretBytes x2, sha1.hash({outer.view()}));
  SecretBytes key(keyBits / 8);
  for (size_t i = 0; i < key.size(); ++i) key[i] = i < x1.size() ? x1[i] : x2[i - x1.size()];
  return key;
}

}  // namespace ledgerfen::crypto
