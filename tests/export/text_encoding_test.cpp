// The code set of the exported files: UTF-8 passes through, other code sets
// get "?" for what they cannot hold, and the locale decides which applies.
#include "ledgerfen/export/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace ledgerfen {
namespace {

using exporting::TextEncoding;

std::string encoded(const TextEncoding& encoding, std::string text) {
  encoding.encode(text);
  return text;
}

TEST(TextEncoding, Utf8KeepsEveryCharacterAndReplacesWhatIsNone) {
  const TextEncoding utf8 = TextEncoding::utf8();
  const std::string valid = "plain, café, Ж, 日本, 😀, \x7F";
  EXPECT_EQ(encoded(utf8, valid), valid);
  EXPECT_EQ(encoded(utf8, "a\xED\xA0\x80z"), "a?z");      // unpaired surrogate
  EXPECT_EQ(encoded(utf8, "a\x80z"), "a?z");              // stray continuation byte
  EXPECT_EQ(encoded(utf8, "a\xE6\x97"), "a?");            // cut short at the end
  EXPECT_EQ(encoded(utf8, "a\xC0\x80z"), "a?z");          // overlong form
  EXPECT_EQ(encoded(utf8, "a\xF4\x90\x80\x80z"), "a?z");  // beyond U+10FFFF
  EXPECT_EQ(encoded(utf8, "\xFF\xED\xB0\x80\xF0\x9F\x98\x80"), "??😀");
  // Long runs of ASCII are skipped a word at a time: breaks inside, after and between them.
  EXPECT_EQ(encoded(utf8, "a run of ASCII text\x80 then é and some more words\xFF"),
            "a run of ASCII text? then é and some more words?");
}

TEST(TextEncoding, OtherCodeSetsWriteAQuestionMarkForWhatTheyCannotHold) {
  auto latin1 = TextEncoding::named("ISO-8859-1");
  ASSERT_TRUE(latin1.ok());
  EXPECT_FALSE(latin1->isUtf8());
  EXPECT_EQ(encoded(*latin1, "café Ж € 😀 \xED\xA0\x80!"), "caf\xE9 ? ? ? ?!");

  auto windows = TextEncoding::named("CP1252");
  ASSERT_TRUE(windows.ok());
  EXPECT_EQ(encoded(*windows, "€5 – Ж"),
            "\x80"
            "5 \x96 ?");
}

TEST(TextEncoding, StatefulCodeSetsReturnToTheirInitialStateAroundReplacements) {
  auto jis = TextEncoding::named("ISO-2022-JP");
  ASSERT_TRUE(jis.ok());
  std::string text = encoded(*jis, "日本€語");
  // Read back, the text is whole but for the character JIS cannot hold.
  iconv_t back = iconv_open("UTF-8", "ISO-2022-JP");
  ASSERT_NE(back, reinterpret_cast<iconv_t>(-1));
  std::string decoded(64, '\0');
  char* in = text.data();
  size_t inLeft = text.size();
  char* out = decoded.data();
  size_t outLeft = decoded.size();
  ASSERT_NE(iconv(back, &in, &inLeft, &out, &outLeft), static_cast<size_t>(-1));
  iconv_close(back);
  decoded.resize(decoded.size() - outLeft);
  EXPECT_EQ(decoded, "日本?語");
  EXPECT_TRUE(text.ends_with("\x1B(B"));  // back to ASCII at the end
}

TEST(TextEncoding, TheLocaleNamesTheCodeSetAndThePlainLocaleCountsAsUtf8) {
  EXPECT_TRUE(TextEncoding::ofLocale("C").isUtf8());
  EXPECT_TRUE(TextEncoding::ofLocale("POSIX").isUtf8());
  EXPECT_TRUE(TextEncoding::ofLocale("C.UTF-8").isUtf8());
  EXPECT_TRUE(TextEncoding::ofLocale("xx_NOWHERE.NOTHING").isUtf8());
  EXPECT_FALSE(TextEncoding::named("NO-SUCH-CODE-SET").ok());
}

}  // namespace
}  // namespace ledgerfen
