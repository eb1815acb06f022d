// Text as Access stores it: UTF-16 with the one-byte compression, and code pages.
#include "text/text_codec.h"

#include <gtest/gtest.h>

#include "text/utf.h"

namespace ledgerfen::text {
namespace {

std::string ucs2(std::vector<uint8_t> bytes) {
  std::string out;
  decodeUcs2Text(bytes, out);
  return out;
}

TEST(Ucs2Text, PlainUtf16) {
  EXPECT_EQ(ucs2({'A', 0, 0xE9, 0, 0xAC, 0x20}), "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(ucs2({'A', 0, 'B'}), "A");  // an odd last byte carries nothing
}

TEST(Ucs2Text, CompressedTextTogglesAtEveryZeroByte) {
  EXPECT_EQ(ucs2({0xFF, 0xFE, 'a', 'b', 0, 0xAC, 0x20, 0, 'c'}),
            "ab\xE2\x82\xAC"
            "c");
  // Either mode may end the text; a single byte left in two-byte mode is dropped.
  EXPECT_EQ(ucs2({0xFF, 0xFE, 'a', 0, 0x41}), "a");
  // Exactly FF FE is not compressed text but the character U+FEFF.
  EXPECT_EQ(ucs2({0xFF, 0xFE}), "\xEF\xBB\xBF");
}

TEST(Ucs2Text, SurrogatePairsJoinAndLoneOnesSurvive) {
  EXPECT_EQ(ucs2({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");
  EXPECT_EQ(ucs2({0x00, 0xD8, 'x', 0}), "\xED\xA0\x80x");
  EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80x"), std::u16string(u"\xD800x"));
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
}

TEST(Ucs2Text, LongAsciiRunsAroundOtherCharacters) {
  // ASCII is copied in runs: the runs must end at every other character, at
  // a mode switch and at a pending surrogate, in both forms.
  const std::string run(300, 'x');
  std::vector<uint8_t> plain;
  for (char c : run) plain.insert(plain.end(), {uint8_t(c), 0});
  plain.insert(plain.end(), {0x3D, 0xD8, 'a', 0, 0xE9, 0, 'b', 0, 0x00, 0xD8});
  EXPECT_EQ(ucs2(plain), run +
                             "\xED\xA0\xBD"
                             "a\xC3\xA9"
                             "b\xED\xA0\x80");

  std::vector<uint8_t> packed = {0xFF, 0xFE};
  packed.insert(packed.end(), run.begin(), run.end());
  packed.insert(packed.end(), {0xE9, 'c', 0, 0x3D, 0xD8, 0, 'd', 'e', 0, 0x3D, 0xD8, 0x01, 0xDE});
  EXPECT_EQ(ucs2(packed), run +
                              "\xC3\xA9"
                              "c\xED\xA0\xBD"
                              "de\xF0\x9F\x98\x81");
}

TEST(CodePage, Windows1252MapsUnassignedBytesToReplacement) {
  auto page = CodePage::load(1252);
  ASSERT_TRUE(page.ok());
  std::string out;
  std::vector<uint8_t> bytes = {'a', 0x80, 0x81, 0xE9};
  (*page)->decode(bytes, out);
  EXPECT_EQ(out, "a\xE2\x82\xAC\xEF\xBF\xBD\xC3\xA9");
}

TEST(CodePage, DoubleByteCodePagesDecodeWholeText) {
  auto page = CodePage::load(932);
  ASSERT_TRUE(page.ok());
  std::string out;
  std::vector<uint8_t> bytes = {0x82, 0xA0, 'x'};  // Hiragana A, then x
  (*page)->decode(bytes, out);
  EXPECT_EQ(out, "\xE3\x81\x82x");
}

TEST(CodePage, UnknownCodePageIsUnsupported) {
  auto page = CodePage::load(1);
  ASSERT_FALSE(page.ok());
  EXPECT_EQ(page.error().kind(), ErrorKind::Unsupported);
}

}  // namespace
}  // namespace ledgerfen::text
