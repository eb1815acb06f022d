#include "crypto/agile_descriptor.h"

#include <charconv>
#include <string>
#include <string_view>

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/xml_elements.h"

namespace ledgerfen::crypto {
namespace {

constexpr size_t kMaxSaltLength = 65536;

Error corrupt(const XmlElement& e, const std::string& why) {
  return Error(ErrorKind::Corrupt, "the agile encryption descriptor's <" + e.localName + "> " + why);
}

// A value from the file for a message: shortened, on one line, printable.
std::string quoted(const std::string& value) {
  std::string out = value.size() > 40 ? value.substr(0, 40) + "..." : value;
  for (char& c : out) {
    if (uint8_t(c) < 0x20 || c == 0x7F) c = '?';
  }
  return "\"" + out + "\"";
}

Result<const std::string*> required(const XmlElement& e, std::string_view name) {
  const std::string* value = e.attribute(name);
  if (!value) return corrupt(e, "lacks the attribute " + std::string(name));
  return value;
}

Result<uint32_t> number(const XmlElement& e, std::string_view name) {
  LF_ASSIGN_OR_RETURN(const std::string* text, required(e, name));
  uint32_t value = 0;
  auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (text->empty() || ec != std::errc() || end != text->data() + text->size()) {
    return corrupt(e, "has " + std::string(name) + " " + quoted(*text) + ", not a number");
  }
  return value;
}

Result<std::vector<uint8_t>> binary(const XmlElement& e, std::string_view name) {
  LF_ASSIGN_OR_RETURN(const std::string* text, required(e, name));
  std::optional<std::vector<uint8_t>> bytes = decodeBase64(*text);
  if (!bytes || bytes->empty()) return corrupt(e, "has a " + std::string(name) + " that is not base64");
  return std::move(*bytes);
}

Result<AgileCipherParameters> cipherParameters(const XmlElement& e) {
  AgileCipherParameters p;
  LF_ASSIGN_OR_RETURN(const std::string* cipher, required(e, "cipherAlgorithm"));
  LF_ASSIGN_OR_RETURN(const std::string* chaining, required(e, "cipherChaining"));
  LF_ASSIGN_OR_RETURN(const std::string* hashName, required(e, "hashAlgorithm"));
  if (*cipher != "AES") {
    return Error(ErrorKind::Unsupported, "agile encryption with the cipher " + quoted(*cipher) + " is not supported");
  }
  if (*chaining != "ChainingModeCBC") {
    return Error(ErrorKind::Unsupported,
                 "agile encryption with the chaining mode " + quoted(*chaining) + " is not supported");
  }
  auto hash = Digest::named(*hashName);
  if (!hash) {
    return Error(hash.error().kind(),
                 "agile encryption with the hash " + quoted(*hashName) + ": " + hash.error().message());
  }
  p.hash = *hash;
  LF_ASSIGN_OR_RETURN(p.keyBits, number(e, "keyBits"));
  LF_ASSIGN_OR_RETURN(p.blockSize, number(e, "blockSize"));
  LF_ASSIGN_OR_RETURN(uint32_t hashSize, number(e, "hashSize"));
  LF_ASSIGN_OR_RETURN(uint32_t saltSize, number(e, "saltSize"));
  LF_ASSIGN_OR_RETURN(p.salt, binary(e, "saltValue"));
  if (p.keyBits != 128 && p.keyBits != 192 && p.keyBits != 256) {
    return corrupt(e, "gives AES keys of " + std::to_string(p.keyBits) + " bits");
  }
  if (p.blockSize != kAesBlockSize)
    return corrupt(e, "gives an AES block of " + std::to_string(p.blockSize) + " bytes");
  if (hashSize != p.hash.size()) return corrupt(e, "gives a hash size that does not match its hash algorithm");
  if (saltSize != p.salt.size() || p.salt.size() > kMaxSaltLength) {
    return corrupt(e, "has a salt whose length does not match saltSize");
  }
  return p;
}

// An encrypted value must be whole blocks and hold at least `needed` bytes.
Result<std::vector<uint8_t>> encryptedValue(const XmlElement& e, std::string_view name, size_t needed) {
  LF_ASSIGN_OR_RETURN(std::vector<uint8_t> value, binary(e, name));
  if (value.size() % kAesBlockSize != 0 || value.size() < needed) {
    return corrupt(e, "has an " + std::string(name) + " of " + std::to_string(value.size()) + " bytes");
  }
  return value;
}

}  // namespace

Result<AgileDescriptor> parseAgileDescriptor(format::Bytes bytes) {
  std::string_view xml(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // Some writers pad the descriptor with NUL bytes.
  while (!xml.empty() && xml.back() == '\0') xml.remove_suffix(1);
  LF_ASSIGN_OR_RETURN(std::vector<XmlElement> elements, readXmlElements(xml));
  const XmlElement& root = elements.front();
  if (root.localName != "encryption" || root.namespaceUri != kAgileEncryptionNamespace) {
    return Error(ErrorKind::Corrupt, "the agile encryption descriptor does not start with <encryption>");
  }
  const XmlElement* keyData = nullptr;
  const XmlElement* passwordKey = nullptr;
  for (const XmlElement& e : elements) {
    if (e.localName == "keyData" && e.namespaceUri == kAgileEncryptionNamespace) {
      if (keyData) return corrupt(e, "appears twice");
      keyData = &e;
    } else if (e.localName == "encryptedKey" && e.namespaceUri == kPasswordKeyEncryptorNamespace && !passwordKey) {
      passwordKey = &e;
    }
  }
  if (!keyData) return Error(ErrorKind::Corrupt, "the agile encryption descriptor has no <keyData>");
  if (!passwordKey) {
    return Error(ErrorKind::Unsupported, "the database is encrypted without a password key (certificates only)");
  }

  AgileDescriptor d;
  LF_ASSIGN_OR_RETURN(d.keyData, cipherParameters(*keyData));
  AgilePasswordKey& p = d.passwordKey;
  LF_ASSIGN_OR_RETURN(p.cipher, cipherParameters(*passwordKey));
  LF_ASSIGN_OR_RETURN(p.spinCount, number(*passwordKey, "spinCount"));
  if (p.spinCount > kMaxSpinCount) {
    return corrupt(*passwordKey, "asks for " + std::to_string(p.spinCount) + " hash rounds, more than the " +
                                     std::to_string(kMaxSpinCount) + " allowed");
  }
  LF_ASSIGN_OR_RETURN(p.encryptedVerifierHashInput,
                      encryptedValue(*passwordKey, "encryptedVerifierHashInput", p.cipher.salt.size()));
  LF_ASSIGN_OR_RETURN(p.encryptedVerifierHashValue,
                      encryptedValue(*passwordKey, "encryptedVerifierHashValue", p.cipher.hash.size()));
  LF_ASSIGN_OR_RETURN(p.encryptedKeyValue, encryptedValue(*passwordKey, "encryptedKeyValue", d.keyData.keyBits / 8));
  return d;
}

}  // namespace ledgerfen::crypto
