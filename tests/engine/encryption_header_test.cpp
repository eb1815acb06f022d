// Damaged and unusual encryption headers of ACE files: a clear error of the
// right kind, never a crash, a hang or a message holding the password.
#include <gtest/gtest.h>

#include <random>

#include "crypto/encryption_info.h"
#include "crypto/xml_elements.h"
#include "engine/encrypted_files.h"

namespace ledgerfen {
namespace {

using test::FileBytes;

constexpr const char* kAgileFixture = "mdb-reader/encryption/data/office-agile-4.4.accdb";
constexpr const char* kRc4Fixture = "mdb-reader/encryption/data/office-agile-4.2.accdb";
constexpr const char* kPassword = "password";
// A password distinct from every word of the messages, to see that none repeats it.
constexpr const char* kDistinctPassword = "Zq9-hush";

FileBytes descriptionOf(const FileBytes& file) {
  return test::headerOf(file).cryptProvider;
}

// The agile fixture with its XML descriptor edited by `edit`.
FileBytes agileWithXml(const std::function<void(std::string&)>& edit) {
  FileBytes file = test::fixtureFileBytes(kAgileFixture);
  FileBytes d = descriptionOf(file);
  std::string xml(d.begin() + crypto::kAgileDescriptor, d.end());
  edit(xml);
  d.resize(crypto::kAgileDescriptor);
  d.insert(d.end(), xml.begin(), xml.end());
  test::setCryptDescription(file, d);
  return file;
}

void replace(std::string& s, const std::string& from, const std::string& to) {
  size_t at = s.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  s.replace(at, from.size(), to);
}

// Opens with the right password and expects an error of `kind` whose message
// names the file; another password must not show in the message either.
void expectOpenFails(const FileBytes& file, ErrorKind kind, const std::string& fragment = "") {
  Status s = test::openStatus(file, kPassword);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().kind(), kind) << s.error().message();
  EXPECT_NE(s.error().message().find(fragment), std::string::npos) << s.error().message();
  if (kind != ErrorKind::WrongPassword) {
    EXPECT_EQ(s.error().message().rfind("damaged.accdb: ", 0), 0u);
  }
  Status other = test::openStatus(file, kDistinctPassword);
  ASSERT_FALSE(other.ok());
  EXPECT_EQ(other.error().message().find(kDistinctPassword), std::string::npos) << other.error().message();
}

TEST(EncryptionHeader, TruncatedDescriptionsAreCorrupt) {
  for (const char* fixture : {kAgileFixture, kRc4Fixture}) {
    FileBytes file = test::fixtureFileBytes(fixture);
    FileBytes whole = descriptionOf(file);
    for (size_t length : {size_t(0), size_t(3), size_t(11), size_t(60), size_t(150), whole.size() - 1}) {
      FileBytes cut = file;
      format::put16le(&cut[format::kHeaderCryptLength], uint16_t(length));
      SCOPED_TRACE(std::string(fixture) + " cut to " + std::to_string(length));
      expectOpenFails(cut, ErrorKind::Corrupt);
    }
    // A length that runs past the header page.
    FileBytes past = file;
    format::put16le(&past[format::kHeaderCryptLength], 0xFFFF);
    expectOpenFails(past, ErrorKind::Corrupt, "longer than the page");
  }
}

TEST(EncryptionHeader, UnknownAndUnusableProvidersAreUnsupported) {
  FileBytes file = test::fixtureFileBytes(kRc4Fixture);
  FileBytes d = descriptionOf(file);
  auto withVersion = [&](uint16_t major, uint16_t minor) {
    FileBytes copy = file, changed = d;
    format::put16le(&changed[0], major);
    format::put16le(&changed[2], minor);
    test::setCryptDescription(copy, changed);
    return copy;
  };
  expectOpenFails(withVersion(4, 3), ErrorKind::Unsupported, "extensible");
  expectOpenFails(withVersion(3, 3), ErrorKind::Unsupported, "extensible");
  expectOpenFails(withVersion(9, 9), ErrorKind::Unsupported, "version 9.9");
  expectOpenFails(withVersion(1, 1), ErrorKind::Unsupported, "version 1.1");

  auto withFlags = [&](uint32_t flags) {
    FileBytes copy = file, changed = d;
    format::put32le(&changed[crypto::kCryptFlags], flags);
    test::setCryptDescription(copy, changed);
    return copy;
  };
  expectOpenFails(withFlags(crypto::kFlagCryptoApi | crypto::kFlagExternal), ErrorKind::Unsupported, "external");
  expectOpenFails(withFlags(0), ErrorKind::Unsupported, "not CryptoAPI");

  FileBytes cipher = file, changed = d;
  format::put32le(&changed[crypto::kCryptHeader + crypto::kCryptHeaderAlgorithm], 0x6602);  // RC2
  test::setCryptDescription(cipher, changed);
  expectOpenFails(cipher, ErrorKind::Unsupported, "another cipher");

  expectOpenFails(
      agileWithXml([](std::string& x) { replace(x, "hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"SHA3\""); }),
      ErrorKind::Unsupported, "hash \"SHA3\": unknown");
  expectOpenFails(agileWithXml([](std::string& x) { replace(x, "ChainingModeCBC", "ChainingModeCFB"); }),
                  ErrorKind::Unsupported, "ChainingModeCFB");
  // Values from the file stay on the one line of the message.
  expectOpenFails(agileWithXml([](std::string& x) { replace(x, "ChainingModeCBC", "Chaining&#10;Mode"); }),
                  ErrorKind::Unsupported, "\"Chaining?Mode\"");
  // Only a certificate key encryptor: nothing a password can open.
  expectOpenFails(agileWithXml([](std::string& x) {
                    replace(x, "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\"",
                            "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\"");
                  }),
                  ErrorKind::Unsupported, "certificates");
}

TEST(EncryptionHeader, DamagedVerifiersRefuseThePassword) {
  FileBytes rc4 = test::fixtureFileBytes(kRc4Fixture);
  FileBytes d = descriptionOf(rc4);
  d.back() ^= 0x01;  // last byte of the encrypted verifier hash
  test::setCryptDescription(rc4, d);
  expectOpenFails(rc4, ErrorKind::WrongPassword, "Not a valid password.");

  // Another valid base64 value of the same length.
  expectOpenFails(agileWithXml([](std::string& x) {
                    replace(x, "encryptedVerifierHashInput=\"P", "encryptedVerifierHashInput=\"Q");
                  }),
                  ErrorKind::WrongPassword);
}

TEST(EncryptionHeader, DamagedDataKeyGivesCorruptPagesNotACrash) {
  // The verifier still passes, so the damage shows only in the pages.
  FileBytes file = agileWithXml([](std::string& x) { replace(x, "encryptedKeyValue=\"s", "encryptedKeyValue=\"t"); });
  ASSERT_TRUE(test::openStatus(file, kPassword).ok());
  std::string dump = test::dumpOf(file, kPassword);
  EXPECT_EQ(dump.rfind("error: copy.accdb: ", 0), 0u) << dump.substr(0, 200);
}

TEST(EncryptionHeader, MalformedAgileDescriptorsAreCorrupt) {
  struct Case {
    const char* from;
    const char* to;
    const char* fragment;
  };
  const Case cases[] = {
      {"spinCount=\"100000\"", "spinCount=\"4294967295\"", "hash rounds"},
      {"spinCount=\"100000\"", "spinCount=\"-1\"", "not a number"},
      {"spinCount=\"100000\"", "spinCount=\"99999999999\"", "not a number"},
      {"spinCount=\"100000\"", "", "lacks the attribute spinCount"},
      {"saltValue=\"DAyc3C2Oxxe+SnWgRTYBQQ==\"", "saltValue=\"DAyc3C2Oxxe+SnWgRTYBQQ\"", "not base64"},
      {"saltValue=\"DAyc3C2Oxxe+SnWgRTYBQQ==\"", "saltValue=\"DAyc3C2O!!\"", "not base64"},
      {"<keyData saltSize=\"16\"", "<keyData saltSize=\"17\"", "saltSize"},
      {"hashSize=\"64\"", "hashSize=\"20\"", "hash size"},
      {"keyBits=\"256\"", "keyBits=\"100\"", "keys of 100 bits"},
      {"blockSize=\"16\"", "blockSize=\"8\"", "block of 8"},
      {"<keyData", "<keyDatum", "no <keyData>"},
      {"encryptedKeyValue=\"sSEi0dHaeIXhw7bTCbObtwLMhjisiTOo6xtMLCFytcM=\"",
       "encryptedKeyValue=\"sSEi0dHaeIXhw7bTCbObtw==\"", "encryptedKeyValue of 16 bytes"},
      {"<encryption ", "<!DOCTYPE x [<!ENTITY e \"x\">]><encryption ", "document type"},
      {"</keyEncryptors>", "", "does not match"},
      {"</encryption>", "", "ends inside"},
      {"<encryption xmlns=", "<encryption xmlns:q=", "does not start with <encryption>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    expectOpenFails(agileWithXml([&](std::string& x) { replace(x, c.from, c.to); }), ErrorKind::Corrupt, c.fragment);
  }
  FileBytes reserved = test::fixtureFileBytes(kAgileFixture);
  FileBytes d = descriptionOf(reserved);
  d[crypto::kAgileReserved] = 0x41;
  test::setCryptDescription(reserved, d);
  expectOpenFails(reserved, ErrorKind::Corrupt, "reserved");
}

TEST(EncryptionHeader, AgileDescriptorsWrittenDifferentlyStillOpen) {
  auto opens = [](const FileBytes& file) {
    Status s = test::openStatus(file, kPassword);
    EXPECT_TRUE(s.ok()) << s.error().message();
  };
  // Another prefix for the password namespace, declared on the element itself.
  opens(agileWithXml([](std::string& x) {
    replace(x, " xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\"", "");
    replace(x, "<p:encryptedKey ",
            "<pw:encryptedKey xmlns:pw=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" ");
  }));
  // Comments, single quotes, character references, base64 across lines, NUL padding.
  opens(agileWithXml([](std::string& x) {
    replace(x, "<keyEncryptors>", "<!-- a <comment> --><keyEncryptors>");
    replace(x, "cipherAlgorithm=\"AES\"", "cipherAlgorithm='&#x41;E&#83;'");
    replace(x, "saltValue=\"lfLzDoSp", "saltValue=\"lfLz\n DoSp");
    x += std::string(16, '\0');
  }));
  // A second, certificate key encryptor before the password one.
  opens(agileWithXml([](std::string& x) {
    replace(x, "<keyEncryptors>",
            "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
            "<c:encryptedKey X509Certificate=\"AA==\"/></keyEncryptor>");
  }));
}

TEST(XmlElements, RefusesWhatIsNotWellFormed) {
  const char* bad[] = {
      "",
      "<a>",
      "<a></b>",
      "<a/><b/>",
      "text<a/>",
      "<a x=1/>",
      "<a x=\"1\" x=\"2\"/>",
      "<a x=\"1\"y=\"2\"/>",
      "<a x=\"&unknown;\"/>",
      "<a x=\"&#0;\"/>",
      "<a x=\"&#xD800;\"/>",
      "<a x=\"a<b\"/>",
      "<p:a/>",
      "<a><!-- never closed </a>",
      "<a x=\"1",
      "</a>",
  };
  for (const char* xml : bad) {
    auto elements = crypto::readXmlElements(xml);
    EXPECT_FALSE(elements.ok()) << xml;
    if (!elements.ok()) {
      EXPECT_EQ(elements.error().kind(), ErrorKind::Corrupt) << xml;
    }
  }
}

TEST(XmlElements, BoundsNestingCountAndLength) {
  std::string deep;
  for (size_t i = 0; i <= crypto::kMaxXmlDepth; ++i) deep += "<a>";
  EXPECT_FALSE(crypto::readXmlElements(deep).ok());
  std::string many = "<r>";
  for (size_t i = 0; i <= crypto::kMaxXmlElements; ++i) many += "<a/>";
  many += "</r>";
  EXPECT_FALSE(crypto::readXmlElements(many).ok());
  EXPECT_FALSE(crypto::readXmlElements("<a x=\"" + std::string(crypto::kMaxXmlLength, 'x') + "\"/>").ok());

  auto fine = crypto::readXmlElements(
      "\xEF\xBB\xBF<?xml version=\"1.0\"?><r xmlns=\"u:1\" xmlns:k=\"u:2\"><k:e a=\"&lt;&amp;&quot;\"><![CDATA[<x>]]>"
      "</k:e><f xmlns=\"u:3\"/></r>");
  ASSERT_TRUE(fine.ok()) << fine.error().message();
  ASSERT_EQ(fine->size(), 3u);
  EXPECT_EQ((*fine)[1].namespaceUri, "u:2");
  EXPECT_EQ((*fine)[1].localName, "e");
  EXPECT_EQ(*(*fine)[1].attribute("a"), "<&\"");
  EXPECT_EQ((*fine)[2].namespaceUri, "u:3");
}

TEST(EncryptionHeader, RandomDamageToTheDescriptionNeverCrashes) {
  for (const char* fixture : {kAgileFixture, kRc4Fixture}) {
    const FileBytes file = test::fixtureFileBytes(fixture);
    const FileBytes d = descriptionOf(file);
    std::mt19937 random(11);
    for (int trial = 0; trial < 60; ++trial) {
      FileBytes changed = d;
      for (int flips = 0; flips < 3; ++flips) changed[random() % changed.size()] ^= uint8_t(1u << (random() % 8));
      FileBytes copy = file;
      test::setCryptDescription(copy, changed);
      (void)test::openStatus(copy, kPassword);  // any outcome but a crash
      Status s = test::openStatus(copy, kDistinctPassword);
      if (!s.ok()) {
        EXPECT_EQ(s.error().message().find(kDistinctPassword), std::string::npos);
      }
    }
  }
}

}  // namespace
}  // namespace ledgerfen
