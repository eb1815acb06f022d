#include "crypto/jet_password.h"

#include <cmath>
#include <string>

#include "text/utf.h"

namespace ledgerfen::crypto {
namespace {

// Jet4: the UTF-16 units of the field after the creation-date mask, up to the first NUL.
std::u16string jet4PasswordUnits(const format::DatabaseHeader& header) {
  double day = std::trunc(header.creationDate);
  uint32_t mask = std::isfinite(day) && std::fabs(day) < 2e9 ? uint32_t(int32_t(day)) : 0;
  std::u16string units;
  const std::vector<uint8_t>& field = header.passwordField;
  for (size_t i = 0; i + 1 < field.size(); i += 2) {
    uint8_t low = field[i] ^ uint8_t(mask >> (8 * (i % 4)));
    uint8_t high = field[i + 1] ^ uint8_t(mask >> (8 * ((i + 1) % 4)));
    char16_t unit = char16_t(low | (high << 8));
    if (unit == 0) break;
    units += unit;
  }
  return units;
}

// Jet3: the code-page bytes of the field, up to the first NUL.
format::Bytes jet3PasswordBytes(const format::DatabaseHeader& header) {
  format::Bytes field(header.passwordField);
  size_t end = 0;
  while (end < field.size() && field[end] != 0) ++end;
  return field.first(end);
}

}  // namespace

bool jetPasswordMatches(const format::DatabaseHeader& header, const text::CodePage* jet3CodePage,
                        std::string_view password) {
  if (header.format == FileFormat::Jet3) {
    format::Bytes stored = jet3PasswordBytes(header);
    if (stored.empty()) return true;
    std::string decoded(stored.begin(), stored.end());
    if (jet3CodePage) {
      decoded.clear();
      jet3CodePage->decode(stored, decoded);
    }
    return decoded == password;
  }
  // Compared as UTF-16, the form Jet4 stores; the field is never compressed.
  std::u16string stored = jet4PasswordUnits(header);
  return stored.empty() || stored == text::utf8ToUtf16(password);
}

}  // namespace ledgerfen::crypto
