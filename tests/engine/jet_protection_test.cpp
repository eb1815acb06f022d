// Jet database passwords and Jet page encoding: the password is checked
// exactly, a password given for an unprotected file is ignored, encoded
// pages read as the plain ones, and opening never changes the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "crypto/jet_codec.h"
#include "engine/encrypted_files.h"
#include "ledgerfen/database.h"
#include "support/fixtures.h"

namespace ledgerfen {
namespace {

using test::FileBytes;

constexpr const char* kJet3Fixture = "jackcess/V1997/test2V1997.mdb";
constexpr const char* kJet4Fixture = "jackcess/V2000/test2V2000.mdb";
constexpr const char* kJet4WithPassword = "mdb-reader/password/data/V2000_with-password.mdb";
constexpr const char* kJet4WithoutPassword = "mdb-reader/password/data/V2003_no-password.mdb";

bool opens(const FileBytes& file, const std::string& password) {
  Status s = test::openStatus(file, password);
  if (!s.ok()) {
    EXPECT_EQ(s.error().kind(), ErrorKind::WrongPassword) << s.error().message();
    EXPECT_EQ(s.error().message(), "Not a valid password.");
  }
  return s.ok();
}

// Jet3 stores code-page bytes as they are.
void setJet3Password(FileBytes& file, std::vector<uint8_t> bytes) {
  bytes.resize(20, 0);
  test::writeMasked(file, format::kHeaderPassword, bytes);
}

// Jet4 stores UTF-16, XOR-ed with the integer part of the creation date.
void setJet4Password(FileBytes& file, const std::u16string& password) {
  std::vector<uint8_t> field(40, 0);
  for (size_t i = 0; i < password.size(); ++i) format::put16le(&field[2 * i], uint16_t(password[i]));
  auto day = uint32_t(int32_t(std::trunc(test::headerOf(file).creationDate)));
  for (size_t i = 0; i < field.size(); ++i) field[i] ^= uint8_t(day >> (8 * (i % 4)));
  test::writeMasked(file, format::kHeaderPassword, field);
}

TEST(JetPassword, TheFixturePasswordOpensOnlyAsWritten) {
  FileBytes file = test::fixtureFileBytes(kJet4WithPassword);
  EXPECT_TRUE(opens(file, "password"));
  for (const char* wrong : {"", "Password", "PASSWORD", "password ", " password", "passwor", "password1"}) {
    EXPECT_FALSE(opens(file, wrong)) << "opened with \"" << wrong << "\"";
  }
}

TEST(JetPassword, APasswordForAnUnprotectedFileIsIgnored) {
  for (const char* fixture : {kJet4WithoutPassword, kJet3Fixture}) {
    FileBytes file = test::fixtureFileBytes(fixture);
    EXPECT_EQ(test::dumpOf(file, "whatever"), test::dumpOf(file)) << fixture;
  }
}

TEST(JetPassword, Jet3PasswordsAreCodePageTextComparedExactly) {
  FileBytes file = test::fixtureFileBytes(kJet3Fixture);
  setJet3Password(file, {'S', 0xFC, 0xDF});  // "Süß" in Windows-1252
  EXPECT_TRUE(opens(file, "S\xC3\xBC\xC3\x9F"));
  EXPECT_FALSE(opens(file, "S\xC3\x9C\xC3\x9F"));  // "SÜß"
  EXPECT_FALSE(opens(file, "s\xC3\xBC\xC3\x9F"));
  EXPECT_FALSE(opens(file, ""));

  setJet3Password(file, std::vector<uint8_t>(20, 'x'));  // the whole field, no terminator
  EXPECT_TRUE(opens(file, std::string(20, 'x')));
  EXPECT_FALSE(opens(file, std::string(19, 'x')));
}

TEST(JetPassword, Jet4PasswordsAreUtf16ComparedExactly) {
  FileBytes file = test::fixtureFileBytes(kJet4WithoutPassword);
  setJet4Password(file, u"K\u00E4se\u20AC\U0001F600");
  EXPECT_TRUE(opens(file, "K\xC3\xA4se\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_FALSE(opens(file, "K\xC3\x84se\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_FALSE(opens(file, "Kase"));

  setJet4Password(file, u"ABCDEFGHIJKLMNOPQRST");  // 20 characters fill the field
  EXPECT_TRUE(opens(file, "ABCDEFGHIJKLMNOPQRST"));
  EXPECT_FALSE(opens(file, "ABCDEFGHIJKLMNOPQRS"));
  EXPECT_FALSE(opens(file, "ABCDEFGHIJKLMNOPQRSTU"));

  // Stored text starting FF FE is the character U+FEFF, not compressed text.
  setJet4Password(file, u"\uFEFFab");
  EXPECT_TRUE(opens(file,
                    "\xEF\xBB\xBF"
                    "ab"));
  EXPECT_FALSE(opens(file, "ab"));
}

// Access made no encoded fixture: encode every page of a plain one with our
// own encoder and a key in the header; it must dump as the original.
TEST(JetEncoding, EncodedCopiesDumpAsTheOriginals) {
  struct Case {
    const char* fixture;
    const char* password;
  };
  for (const Case& c : {Case{kJet3Fixture, ""}, Case{kJet4Fixture, ""}, Case{kJet4WithPassword, "password"}}) {
    SCOPED_TRACE(c.fixture);
    const FileBytes original = test::fixtureFileBytes(c.fixture);
    FileBytes file = original;
    const std::array<uint8_t, 4> key = {0x9E, 0x21, 0x00, 0x47};
    test::setEncodingKey(file, key);
    ASSERT_TRUE(test::headerOf(file).pagesEncoded());
    auto codec = crypto::makeJetPageCodec(key);
    test::encodePages(file, *codec);
    uint32_t pageSize = test::pageSizeOf(file);
    ASSERT_NE(file[2 * pageSize], format::kPageTableDef) << "pages were not encoded";

    std::string expected = test::dumpOf(original, c.password);
    ASSERT_EQ(expected.rfind("error", 0), std::string::npos) << expected;
    EXPECT_EQ(test::dumpOf(file, c.password), expected);
    if (*c.password) {
      EXPECT_EQ(test::dumpOf(file, "Password"), "error: Not a valid password.");
    }

    test::decodePages(file, *codec);
    test::setEncodingKey(file, {0, 0, 0, 0});
    EXPECT_TRUE(file == original) << "decode is not the inverse of encode";
  }
}

TEST(JetEncoding, AWrongKeyGivesCorruptPagesNotACrash) {
  FileBytes file = test::fixtureFileBytes(kJet4Fixture);
  test::encodePages(file, *crypto::makeJetPageCodec({1, 2, 3, 4}));
  test::setEncodingKey(file, {1, 2, 3, 5});
  std::string dump = test::dumpOf(file);
  EXPECT_EQ(dump.rfind("error: copy.accdb: ", 0), 0u) << dump.substr(0, 200);
}

// A person who mistyped the password finds the file as it was.
TEST(Protection, OpeningNeverChangesTheFile) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("ledgerfen-untouched-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const char* fixture : {kJet4WithPassword, "mdb-reader/encryption/data/office-agile-4.4.accdb"}) {
    fs::path copy = dir / fs::path(fixture).filename();
    fs::copy_file(test::fixtureNamed(fixture).fullPath(), copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
    FileBytes before = test::readFileBytes(copy.string());
    auto stamp = fs::last_write_time(copy);
    for (const char* password : {"", "PASSWORD", "password"}) {
      auto db = Database::open(copy.string(), OpenOptions{password});
      if (db.ok()) {
        ASSERT_TRUE((*db)->catalog().ok());
      }
    }
    EXPECT_TRUE(test::readFileBytes(copy.string()) == before) << fixture;
    EXPECT_EQ(fs::last_write_time(copy), stamp) << fixture;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ledgerfen
