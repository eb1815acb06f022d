// Encrypted ACE files: the keys derived from a password, the pages they
// decrypt, and codecs that encode exactly what they decode. Expected values
// were computed independently of the engine (a separate script over the
// fixtures and the published derivations).
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <random>

#include "crypto/aes.h"
#include "crypto/agile_descriptor.h"
#include "crypto/encryption_info.h"
#include "crypto/office_codec.h"
#include "crypto/office_keys.h"
#include "crypto/rc4.h"
#include "engine/encrypted_files.h"

namespace ledgerfen {
namespace {

using crypto::SecretBytes;
using test::FileBytes;

constexpr const char* kAgileFixture = "mdb-reader/encryption/data/office-agile-4.4.accdb";
constexpr const char* kRc4Fixture = "mdb-reader/encryption/data/office-agile-4.2.accdb";
constexpr const char* kPlainAceFixture = "jackcess/V2010/testPromotionV2010.accdb";

std::string hex(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::string sha1Hex(std::span<const uint8_t> bytes) {
  uint8_t digest[SHA_DIGEST_LENGTH];
  SHA1(bytes.data(), bytes.size(), digest);
  return hex(digest);
}

std::unique_ptr<page::PageCodec> codecFor(const FileBytes& file, const std::string& password) {
  format::DatabaseHeader h = test::headerOf(file);
  auto codec = crypto::makeOfficePageCodec(h.cryptProvider, h.encodingKey, password);
  EXPECT_TRUE(codec.ok()) << codec.error().message();
  return codec.ok() ? std::move(*codec) : nullptr;
}

std::span<uint8_t> pageOf(FileBytes& file, uint32_t n) {
  uint32_t size = test::pageSizeOf(file);
  return std::span(file).subspan(size_t(n) * size, size);
}

TEST(OfficeKeys, AgilePasswordUnlocksTheFixtureDataKey) {
  format::DatabaseHeader header = test::headerOf(test::fixtureFileBytes(kAgileFixture));
  auto info = crypto::parseEncryptionInfo(header.cryptProvider);
  ASSERT_TRUE(info.ok());
  auto d = crypto::parseAgileDescriptor(info->agileDescriptor);
  ASSERT_TRUE(d.ok()) << d.error().message();
  const crypto::AgilePasswordKey& p = d->passwordKey;
  EXPECT_EQ(p.spinCount, 100000u);
  EXPECT_EQ(p.cipher.hash.name(), "SHA512");
  EXPECT_EQ(d->keyData.keyBits, 256u);

  SecretBytes password = crypto::officePasswordBytes("password");
  auto iterated = crypto::iteratedPasswordHash(p.cipher.hash, p.cipher.salt, password.view(), p.spinCount);
  ASSERT_TRUE(iterated.ok());
  EXPECT_EQ(hex(iterated->view().first(16)), "e0b5561b6f7ef41df7f05c0a8883ab66");
  auto key = crypto::agileKey(p.cipher.hash, *iterated, crypto::kAgileKeyValueBlock, 32);
  ASSERT_TRUE(key.ok());
  SecretBytes value(p.encryptedKeyValue);
  SecretBytes iv = crypto::fitWith36(p.cipher.salt, 16);
  ASSERT_TRUE(
      crypto::aes(crypto::AesMode::Cbc, crypto::CipherDirection::Decrypt, key->view(), iv.view(), value.span()).ok());
  EXPECT_EQ(hex(value.view().first(32)), "b3df86d9c0c0b00f08310f98451844ac6def2e2c439845d4c82a25a2ccb6ee67");
}

TEST(OfficeKeys, StandardAndRc4DerivationsMatchIndependentVectors) {
  const std::vector<uint8_t> salt = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  SecretBytes password = crypto::officePasswordBytes("Geheim");
  auto sha1 = crypto::Digest::sha1();
  ASSERT_TRUE(sha1.ok());

  auto iterated = crypto::iteratedPasswordHash(*sha1, salt, password.view(), crypto::kStandardSpinCount);
  ASSERT_TRUE(iterated.ok());
  const std::array<uint8_t, 4> zero{}, block = {1, 2, 3, 4};
  EXPECT_EQ(hex(crypto::standardAesKey(*iterated, zero, 128)->view()), "47a1ecd7a6bb7069ed03d85884849c02");
  // 256-bit keys take 12 bytes of the second hash.
  EXPECT_EQ(hex(crypto::standardAesKey(*iterated, block, 256)->view()),
            "0b5c27091c47445290fb73e04702e6ff1c0cb4a177e2e870f5b6dab69c89983b");

  auto base = sha1->hash({salt, password.view()});
  ASSERT_TRUE(base.ok());
  const std::array<uint8_t, 4> page = {9, 8, 7, 6};
  EXPECT_EQ(hex(crypto::rc4CryptoApiKey(*base, page, 128)->view()), "6a94a112f9766a0f2a6176542cd786a1");
  // A 40-bit key is used as 16 bytes, zero after the fifth.
  EXPECT_EQ(hex(crypto::rc4CryptoApiKey(*base, page, 40)->view()), "6a94a112f90000000000000000000000");
}

TEST(OfficeKeys, PasswordsAreUtf16AndCutAt255Units) {
  EXPECT_EQ(hex(crypto::officePasswordBytes("p\xC3\xA4\xF0\x9F\x98\x80").view()), "7000e4003dd800de");
  EXPECT_EQ(crypto::officePasswordBytes(std::string(300, 'x')).size(), 2u * 255);
  EXPECT_EQ(crypto::officePasswordBytes("").size(), 0u);
}

TEST(OfficeDecryption, FixturePagesDecryptToTheExpectedPages) {
  struct Expected {
    const char* fixture;
    const char* page1;  // SHA-1 of the decrypted pages
    const char* page2;
  };
  const Expected cases[] = {
      {kAgileFixture, "acb3f32928b266b8d3bac33854c9e7a9dcfa2c69", "0c64913ace93ad467e261cf40e0b85d2cb9bad26"},
      {kRc4Fixture, "c3c3b48b2f804bda7e6e8d03e9cb8f817e99433c", "0c64913ace93ad467e261cf40e0b85d2cb9bad26"},
  };
  for (const Expected& e : cases) {
    FileBytes file = test::fixtureFileBytes(e.fixture);
    auto codec = codecFor(file, "password");
    ASSERT_TRUE(codec) << e.fixture;
    test::decodePages(file, *codec);
    EXPECT_EQ(sha1Hex(pageOf(file, 1)), e.page1) << e.fixture;
    EXPECT_EQ(sha1Hex(pageOf(file, 2)), e.page2) << e.fixture;
    EXPECT_EQ(pageOf(file, 2)[0], format::kPageTableDef) << e.fixture;
  }
}

TEST(OfficeDecryption, EncodingADecodedPageGivesBackTheStoredBytes) {
  for (const char* fixture : {kAgileFixture, kRc4Fixture}) {
    const FileBytes stored = test::fixtureFileBytes(fixture);
    auto codec = codecFor(stored, "password");
    ASSERT_TRUE(codec) << fixture;
    FileBytes file = stored;
    test::decodePages(file, *codec);
    test::encodePages(file, *codec);
    EXPECT_TRUE(file == stored) << fixture;
  }
}

TEST(OfficeDecryption, PasswordsAreExactAndUnprotectedFilesIgnoreThem) {
  for (const char* fixture : {kAgileFixture, kRc4Fixture}) {
    FileBytes file = test::fixtureFileBytes(fixture);
    for (const char* wrong : {"", "Password", "PASSWORD", "password ", "passwor", "password\xC3\xA4"}) {
      Status s = test::openStatus(file, wrong);
      ASSERT_FALSE(s.ok()) << fixture << " opened with \"" << wrong << "\"";
      EXPECT_EQ(s.error().kind(), ErrorKind::WrongPassword);
      EXPECT_EQ(s.error().message(), "Not a valid password.");
    }
  }
  FileBytes plain = test::fixtureFileBytes(kPlainAceFixture);
  EXPECT_EQ(test::dumpOf(plain, "anything"), test::dumpOf(plain));
}

// Encrypted files the reference reader cannot open (agile AES-128 with SHA-1,
// the older RC4 header of Access 2007, and AES as Access writes it with its
// compatibility mode off) hold what their projects' own tests state.
TEST(OfficeDecryption, FilesWithoutAReferenceDumpHoldWhatTheirProjectsState) {
  struct Case {
    const char* fixture;
    const char* password;
    std::vector<std::string> lines;  // lines their canonical dump holds
  };
  const Case cases[] = {
      {"jackcess-encrypt/db2007-enc.accdb", "Test123", {"{\"t\":\"Table1\",\"r\":[1,\"foo\"]}"}},
      {"jackcess-encrypt/db2007-oldenc.accdb", "Test123", {"{\"t\":\"Table1\",\"r\":[1,\"foo\"]}"}},
      {"jackcess-encrypt/db-nonstandard.accdb", "password", {"\"tables\":[\"Table_One\"]"}},
      {"northwind-passworded/northwind.accdb",
       "12345678",
       {"\"NWTB-1\",\"Northwind Traders Chai\"", "{\"table\":\"Products\",", "{\"table\":\"Order Details\","}},
  };
  for (const Case& c : cases) {
    FileBytes file = test::fixtureFileBytes(c.fixture);
    std::string dump = test::dumpOf(file, c.password);
    for (const std::string& line : c.lines) EXPECT_NE(dump.find(line), std::string::npos) << c.fixture << ": " << line;
    EXPECT_EQ(test::dumpOf(file, "WrongPassword"), "error: Not a valid password.") << c.fixture;
    EXPECT_EQ(test::dumpOf(file), "error: Not a valid password.") << c.fixture;
  }
}

// A description for RC4 CryptoAPI or Standard encryption, built as a writer
// would: a verifier encrypted with the key of block 0.
FileBytes cryptoApiDescription(crypto::OfficeEncryption kind, const std::string& password, uint32_t keyBits,
                               std::u16string providerName) {
  bool aes = kind == crypto::OfficeEncryption::StandardAes;
  FileBytes header(32);
  uint32_t flags = crypto::kFlagCryptoApi | (aes ? crypto::kFlagAes : 0);
  format::put32le(&header[0], flags);
  uint32_t algorithm = keyBits == 256   ? crypto::kAlgorithmAes256
                       : keyBits == 192 ? crypto::kAlgorithmAes192
                                        : crypto::kAlgorithmAes128;
  format::put32le(&header[8], aes ? algorithm : crypto::kAlgorithmRc4);
  format::put32le(&header[12], crypto::kHashSha1);
  format::put32le(&header[16], keyBits);
  for (char16_t c : providerName + u'\0') {
    header.push_back(uint8_t(c));
    header.push_back(uint8_t(c >> 8));
  }

  std::vector<uint8_t> salt(16), verifier(16);
  for (int i = 0; i < 16; ++i) {
    salt[i] = uint8_t(0xA0 + i);
    verifier[i] = uint8_t(7 * i + 1);
  }
  SecretBytes pw = crypto::officePasswordBytes(password);
  auto sha1 = crypto::Digest::sha1();
  std::vector<uint8_t> encrypted(verifier);
  auto hash = sha1->hash({verifier});
  encrypted.insert(encrypted.end(), hash->view().begin(), hash->view().end());
  const std::array<uint8_t, 4> block0{};
  if (aes) {
    encrypted.resize(16 + 32, 0);
    auto iterated = crypto::iteratedPasswordHash(*sha1, salt, pw.view(), crypto::kStandardSpinCount);
    auto key = crypto::standardAesKey(*iterated, block0, keyBits);
    EXPECT_TRUE(crypto::aes(crypto::AesMode::Ecb, crypto::CipherDirection::Encrypt, key->view(), {}, encrypted).ok());
  } else {
    auto base = sha1->hash({salt, pw.view()});
    auto key = crypto::rc4CryptoApiKey(*base, block0, keyBits == 0 ? 40 : keyBits);
    EXPECT_TRUE(crypto::rc4(key->view(), encrypted).ok());
  }

  FileBytes d(12 + header.size());
  d[0] = 4;
  d[2] = 2;
  format::put32le(&d[4], flags);
  format::put32le(&d[8], uint32_t(header.size()));
  std::copy(header.begin(), header.end(), d.begin() + 12);
  d.resize(d.size() + 4);
  format::put32le(&d[d.size() - 4], 16);
  d.insert(d.end(), salt.begin(), salt.end());
  d.insert(d.end(), encrypted.begin(), encrypted.begin() + 16);
  d.resize(d.size() + 4);
  format::put32le(&d[d.size() - 4], 20);
  d.insert(d.end(), encrypted.begin() + 16, encrypted.end());
  return d;
}

// Encrypts a copy of an unencrypted ACE fixture with our own encoder; the
// copy must open only with the password and dump as the original does.
void expectEncryptedCopyDumpsAsTheOriginal(const FileBytes& description, const std::string& password) {
  const FileBytes original = test::fixtureFileBytes(kPlainAceFixture);
  FileBytes file = original;
  test::setEncodingKey(file, {0x5A, 0x17, 0xC3, 0x08});
  test::setCryptDescription(file, description);
  auto codec = codecFor(file, password);
  ASSERT_TRUE(codec);
  test::encodePages(file, *codec);
  ASSERT_NE(pageOf(file, 2)[0], format::kPageTableDef) << "pages were not encrypted";

  std::string expected = test::dumpOf(original);
  ASSERT_EQ(expected.rfind("error", 0), std::string::npos) << expected;
  EXPECT_EQ(test::dumpOf(file, password), expected);
  EXPECT_EQ(test::dumpOf(file, password + "x"), "error: Not a valid password.");
}

TEST(OfficeEncryptionRoundTrip, StandardAesWithOurOwnEncoder) {
  expectEncryptedCopyDumpsAsTheOriginal(cryptoApiDescription(crypto::OfficeEncryption::StandardAes, "Geheim", 128,
                                                             u"Microsoft Enhanced RSA and AES Cryptographic Provider"),
                                        "Geheim");
  expectEncryptedCopyDumpsAsTheOriginal(
      cryptoApiDescription(crypto::OfficeEncryption::StandardAes, "\xC3\xA9t\xC3\xA9", 256, u""), "\xC3\xA9t\xC3\xA9");
}

TEST(OfficeEncryptionRoundTrip, Rc4CryptoApiWith40BitKeysFromTheBaseProvider) {
  // Key size 0 with a "Base" provider means 40 bits.
  expectEncryptedCopyDumpsAsTheOriginal(cryptoApiDescription(crypto::OfficeEncryption::Rc4CryptoApi, "Geheim", 0,
                                                             u"Microsoft Base Cryptographic Provider v1.0"),
                                        "Geheim");
}

TEST(OfficeEncryptionRoundTrip, EveryCodecEncodesWhatItDecodesPagePerPage) {
  FileBytes standard = test::fixtureFileBytes(kPlainAceFixture);
  test::setEncodingKey(standard, {1, 2, 3, 4});
  test::setCryptDescription(standard, cryptoApiDescription(crypto::OfficeEncryption::StandardAes, "k", 192, u""));
  std::vector<std::pair<const char*, std::unique_ptr<page::PageCodec>>> codecs;
  codecs.emplace_back("agile", codecFor(test::fixtureFileBytes(kAgileFixture), "password"));
  codecs.emplace_back("rc4", codecFor(test::fixtureFileBytes(kRc4Fixture), "password"));
  codecs.emplace_back("standard", codecFor(standard, "k"));

  std::mt19937 random(7);
  std::vector<uint8_t> plain(4096);
  for (uint8_t& b : plain) b = uint8_t(random());
  for (auto& [name, codec] : codecs) {
    ASSERT_TRUE(codec) << name;
    for (uint32_t n : {1u, 2u, 255u, 256u, 0x00FFFFFFu}) {
      std::vector<uint8_t> page = plain;
      ASSERT_TRUE(codec->encode(n, page).ok());
      EXPECT_NE(page, plain) << name << " page " << n;
      std::vector<uint8_t> other = plain;
      ASSERT_TRUE(codec->encode(n + 1, other).ok());
      EXPECT_NE(page, other) << name << ": pages " << n << " and " << n + 1 << " share a key";
      ASSERT_TRUE(codec->decode(n, page).ok());
      EXPECT_EQ(page, plain) << name << " page " << n;
    }
  }
}

}  // namespace
}  // namespace ledgerfen
