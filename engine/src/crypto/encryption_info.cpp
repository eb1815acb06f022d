#include "crypto/encryption_info.h"

#include <cctype>
#include <string>

namespace ledgerfen::crypto {
namespace {

using format::Bytes;
using format::fits;
using format::u16le;
using format::u32le;

Error truncated(const std::string& what) {
  return Error(ErrorKind::Corrupt, "the encryption header is truncated: " + what + " does not fit");
}

Error unsupported(const std::string& what) {
  return Error(ErrorKind::Unsupported, what);
}

std::string versionText(const EncryptionInfo& info) {
  return std::to_string(info.versionMajor) + "." + std::to_string(info.versionMinor);
}

// True when the provider name (UTF-16, NUL-terminated) contains " base ",
// ignoring case and surrounding spaces: the 40-bit "Base" providers.
bool isBaseProvider(Bytes name) {
  std::string ascii;
  for (size_t i = 0; i + 1 < name.size(); i += 2) {
    uint16_t unit = u16le(name, i);
    if (unit == 0) break;
    ascii += unit < 0x80 ? char(std::tolower(int(unit))) : '?';
  }
  size_t first = ascii.find_first_not_of(' ');
  if (first == std::string::npos) return true;
  ascii = ascii.substr(first, ascii.find_last_not_of(' ') - first + 1);
  return ascii.find(" base ") != std::string::npos;
}

bool isAesAlgorithm(uint32_t algorithm) {
  return algorithm == kAlgorithmAes128 || algorithm == kAlgorithmAes192 || algorithm == kAlgorithmAes256;
}

Status parseCryptoApi(Bytes d, EncryptionInfo& info) {
  if (!fits(d, kCryptHeaderSize, 4)) return truncated("the header size");
  uint32_t headerSize = u32le(d, kCryptHeaderSize);
  if (headerSize < kCryptHeaderProviderName) return Error(ErrorKind::Corrupt, "the encryption header is too small");
  if (!fits(d, kCryptHeader, headerSize)) return truncated("the header of " + std::to_string(headerSize) + " bytes");
  Bytes header = d.subspan(kCryptHeader, headerSize);
  Bytes verifier = d.subspan(kCryptHeader + headerSize);

  uint32_t algorithm = u32le(header, kCryptHeaderAlgorithm);
  uint32_t hash = u32le(header, kCryptHeaderHash);
  uint32_t keyBits = u32le(header, kCryptHeaderKeyBits);
  if (hash != 0 && hash != kHashSha1) return unsupported("the encryption header names an unknown hash algorithm");

  CryptoApiParameters& p = info.cryptoApi;
  size_t encryptedHashLength;
  if (info.kind == OfficeEncryption::Rc4CryptoApi) {
    if (algorithm != 0 && algorithm != kAlgorithmRc4) {
      return unsupported("the RC4 encryption header names another cipher");
    }
    if (keyBits == 0) keyBits = isBaseProvider(header.subspan(kCryptHeaderProviderName)) ? 40 : 128;
    if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0) {
      return unsupported("RC4 keys of " + std::to_string(keyBits) + " bits are not supported");
    }
    encryptedHashLength = 20;
  } else {
    uint32_t expectedBits = algorithm == kAlgorithmAes192 ? 192 : algorithm == kAlgorithmAes256 ? 256 : 128;
    if (algorithm != 0 && !isAesAlgorithm(algorithm)) {
      return unsupported("the AES encryption header names another cipher");
    }
    if (keyBits == 0) keyBits = expectedBits;
    if (keyBits != expectedBits) {
      return Error(ErrorKind::Corrupt, "the encryption header gives a key size that does not fit its AES variant");
    }
    encryptedHashLength = 32;
  }
  p.keyBits = keyBits;

  if (!fits(verifier, kVerifierSaltSize, 4)) return truncated("the password verifier");
  if (u32le(verifier, kVerifierSaltSize) != kVerifierSaltLength) {
    return Error(ErrorKind::Corrupt, "the password verifier has a salt that is not 16 bytes");
  }
  if (!fits(verifier, kVerifierEncryptedHash, encryptedHashLength)) return truncated("the password verifier");
  p.salt.assign(verifier.begin() + kVerifierSalt, verifier.begin() + kVerifierSalt + kVerifierSaltLength);
  p.encryptedVerifier.assign(verifier.begin() + kVerifierEncrypted, verifier.begin() + kVerifierEncrypted + 16);
  p.verifierHashSize = u32le(verifier, kVerifierHashSize);
  if (p.verifierHashSize != 20) {
    return Error(ErrorKind::Corrupt, "the password verifier has a hash that is not 20 bytes (SHA-1)");
  }
  p.encryptedVerifierHash.assign(verifier.begin() + kVerifierEncryptedHash,
                                 verifier.begin() + kVerifierEncryptedHash + encryptedHashLength);
  return okStatus();
}

}  // namespace

Result<EncryptionInfo> parseEncryptionInfo(Bytes d) {
  if (!fits(d, kCryptVersionMajor, 4)) return truncated("the version");
  EncryptionInfo info;
  info.versionMajor = u16le(d, kCryptVersionMajor);
  info.versionMinor = u16le(d, kCryptVersionMinor);
  uint16_t major = info.versionMajor, minor = info.versionMinor;

  if (major == 4 && minor == 4) {
    info.kind = OfficeEncryption::Agile;
    if (!fits(d, kAgileReserved, 4)) return truncated("the agile descriptor");
    if (u32le(d, kAgileReserved) != kAgileReservedValue) {
      return Error(ErrorKind::Corrupt, "the agile encryption header has an unexpected reserved value");
    }
    info.agileDescriptor = d.subspan(kAgileDescriptor);
    return info;
  }
  if ((major == 3 || major == 4) && minor == 3) {
    return unsupported("the database uses extensible encryption (version " + versionText(info) +
                       ", a third-party provider), which cannot be decrypted");
  }
  if (major >= 2 && major <= 4 && minor == 2) {
    if (!fits(d, kCryptFlags, 4)) return truncated("the flags");
    uint32_t flags = u32le(d, kCryptFlags);
    if (flags & kFlagExternal) {
      return unsupported("the database uses an external encryption provider, which cannot be decrypted");
    }
    if (!(flags & kFlagCryptoApi)) {
      return unsupported("the encryption header (version " + versionText(info) + ") is not CryptoAPI encryption");
    }
    info.kind = (flags & kFlagAes) ? OfficeEncryption::StandardAes : OfficeEncryption::Rc4CryptoApi;
    if (!(flags & kFlagAes) && fits(d, kCryptHeader + kCryptHeaderAlgorithm, 4) &&
        isAesAlgorithm(u32le(d, kCryptHeader + kCryptHeaderAlgorithm))) {
      // AES without the AES flag: what Access writes with its cryptographic
      // compatibility mode off. The password hash is then not iterated.
      info.kind = OfficeEncryption::StandardAes;
      info.cryptoApi.spinCount = 0;
    }
    LF_RETURN_IF_ERROR(parseCryptoApi(d, info));
    return info;
  }
  return unsupported("unknown encryption provider version " + versionText(info));
}

}  // namespace ledgerfen::crypto
