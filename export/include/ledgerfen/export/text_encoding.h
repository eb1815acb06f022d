// The code set the exports write their text in. The program's text is
// UTF-8; files go out in the code set of the user's locale, as the
// desktop's other programs write theirs, without a byte-order mark. The
// plain C and POSIX locale count as UTF-8.
//
// A character the code set cannot hold is written as "?", and so is a byte
// sequence of the program's text that is no character at all (an unpaired
// UTF-16 surrogate, which damaged text can hold). Plain value; thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

class TextEncoding {
 public:
  static TextEncoding utf8() { return TextEncoding("UTF-8"); }
  // The code set of the locale the environment names for character types
  // (LC_ALL, LC_CTYPE, LANG); UTF-8 when that locale is C, POSIX or unknown.
  static TextEncoding ofUserLocale();
  // The code set of a named locale ("de_DE.ISO-8859-1", "C"); UTF-8 for C,
  // POSIX and locales the system does not have.
  static TextEncoding ofLocale(const std::string& locale);
  // A code set by the name the system's converters know ("ISO-8859-1",
  // "CP1252"); an error when there is no converter from UTF-8 to it.
  static Result<TextEncoding> named(std::string_view codeSet);

  const std::string& codeSet() const { return codeSet_; }
  bool isUtf8() const { return utf8_; }

  // Converts UTF-8 text to this code set, in place.
  void encode(std::string& text) const;

 private:
  explicit TextEncoding(std::string codeSet);

  std::string codeSet_;
  bool utf8_;
};

// Replaces each byte sequence of `text` that is not a UTF-8 encoded
// character (surrogates, overlong forms and stray bytes included) with "?".
// Leaves valid text untouched and does not copy it.
void replaceInvalidUtf8(std::string& text);

}  // namespace ledgerfen::exporting
