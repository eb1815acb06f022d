#include "ledgerfen/export/text_encoding.h"

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace ledgerfen::exporting {
namespace {

// The code set glibc names for the plain C and POSIX locale.
constexpr std::string_view kPlainLocaleCodeSet = "ANSI_X3.4-1968";

bool namesUtf8(std::string_view codeSet) {
  return strcasecmp(std::string(codeSet).c_str(), "UTF-8") == 0 ||
         strcasecmp(std::string(codeSet).c_str(), "UTF8") == 0;
}

// The length of the UTF-8 encoded character at `i`, or 0 when the bytes
// there are no character: a stray or truncated sequence, an overlong form,
// a surrogate or a value above U+10FFFF.
size_t validSequenceAt(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t b0 = byte(i);
  if (b0 < 0x80) return 1;
  const auto continuation = [&](size_t k) { return i + k < s.size() && (byte(i + k) & 0xC0) == 0x80; };
  if (b0 >= 0xC2 && b0 <= 0xDF) return continuation(1) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    const uint8_t b1 = byte(i + 1);
    if (b0 == 0xE0 && b1 < 0xA0) return 0;   // overlong
    if (b0 == 0xED && b1 >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    const uint8_t b1 = byte(i + 1);
    if (b0 == 0xF0 && b1 < 0x90) return 0;   // overlong
    if (b0 == 0xF4 && b1 >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

// How many bytes to skip past a character the converter refused: the
// whole sequence when it is one, else the single stray byte. A stray lead
// byte's continuation bytes are skipped with it, so one broken character
// gives one "?".
size_t refusedLength(std::string_view s, size_t i) {
  if (size_t n = validSequenceAt(s, i)) return n;
  size_t n = 1;
  if (static_cast<uint8_t>(s[i]) >= 0xC0) {
    while (n < 4 && i + n < s.size() && (static_cast<uint8_t>(s[i + n]) & 0xC0) == 0x80) ++n;
  }
  return n;
}

std::string codeSetOf(locale_t locale) {
  std::string codeSet = nl_langinfo_l(CODESET, locale);
  if (codeSet.empty() || codeSet == kPlainLocaleCodeSet) return "UTF-8";
  return codeSet;
}

// The length of the run of ASCII at the start of `s`, eight bytes at a time.
size_t asciiPrefix(std::string_view s) {
  size_t i = 0;
  for (uint64_t word; i + sizeof word <= s.size(); i += sizeof word) {
    std::memcpy(&word, s.data() + i, sizeof word);
    if (word & 0x8080808080808080u) break;
  }
  while (i < s.size() && static_cast<uint8_t>(s[i]) < 0x80) ++i;
  return i;
}

}  // namespace

TextEncoding::TextEncoding(std::string codeSet) : codeSet_(std::move(codeSet)), utf8_(namesUtf8(codeSet_)) {}

TextEncoding TextEncoding::ofLocale(const std::string& name) {
  locale_t locale = newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return utf8();
  TextEncoding encoding(codeSetOf(locale));
  freelocale(locale);
  return encoding;
}

TextEncoding TextEncoding::ofUserLocale() {
  // The empty name asks for the locale the environment names.
  return ofLocale("");
}

Result<TextEncoding> TextEncoding::named(std::string_view codeSet) {
  TextEncoding encoding{std::string(codeSet)};
  if (encoding.isUtf8()) return encoding;
  iconv_t converter = iconv_open(encoding.codeSet_.c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return Error(ErrorKind::Unsupported, "the system cannot convert text to the code set " + std::string(codeSet));
  }
  iconv_close(converter);
  return encoding;
}

void replaceInvalidUtf8(std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    i += asciiPrefix(std::string_view(text).substr(i));
    if (i == text.size()) break;
    const size_t n = validSequenceAt(text, i);
    if (n == 0) break;
    i += n;
  }
  if (i == text.size()) return;
  std::string out(text, 0, i);
  while (i < text.size()) {
    if (const size_t n = validSequenceAt(text, i)) {
      out.append(text, i, n);
      i += n;
    } else {
      out += '?';
      i += refusedLength(text, i);
    }
  }
  text = std::move(out);
}

void TextEncoding::encode(std::string& text) const {
  if (utf8_) {
    replaceInvalidUtf8(text);
    return;
  }
  iconv_t converter = iconv_open(codeSet_.c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    // named() admits only code sets with a converter; a locale's own code
    // set always has one. Should it be missing, the text stays UTF-8.
    replaceInvalidUtf8(text);
    return;
  }
  std::string out;
  out.reserve(text.size());
  char buffer[4096];
  // Appends what returns a stateful code set to its initial state.
  const auto reset = [&] {
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &to, &toLeft);
    out.append(buffer, size_t(to - buffer));
  };
  size_t i = 0;
  while (i < text.size()) {
    char* in = text.data() + i;
    size_t inLeft = text.size() - i;
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    const size_t result = iconv(converter, &in, &inLeft, &to, &toLeft);
    const int error = errno;
    out.append(buffer, size_t(to - buffer));
    i = text.size() - inLeft;
    if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
    // EILSEQ: a character the code set cannot hold, or no character at
    // all; EINVAL: a sequence cut short by the end of the text.
    reset();
    out += '?';
    i += refusedLength(text, i);
  }
  reset();
  iconv_close(converter);
  text = std::move(out);
}

}  // namespace ledgerfen::exporting
