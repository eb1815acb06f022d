#include "crypto/jet_password.h"

#include <cmath>

namespace ledgerfen::crypto {

std::string storedJetPassword(const format::DatabaseHeader& header, const text::CodePage* jet3CodePage) {
  std::vector<uint8_t> field = header.passwordField;
  std::string out;
  if (header.format == FileFormat::Jet3) {
    size_t end = 0;
    while (end < field.size() && field[end] != 0) ++end;
    if (jet3CodePage) jet3CodePage->decode(format::Bytes(field).first(end), out);
    return out;
  }
  double day = std::trunc(header.creationDate);
  uint32_t mask = std::isfinite(day) && std::fabs(day) < 2e9 ? uint32_t(int32_t(day)) : 0;
  for (size_t i = 0; i < field.size(); ++i) field[i] ^= uint8_t(mask >> (8 * (i % 4)));
  size_t end = 0;
  while (end + 1 < field.size() && (field[end] | field[end + 1]) != 0) end += 2;
  text::decodeUcs2Text(format::Bytes(field).first(end), out);
  return out;
}

}  // namespace ledgerfen::crypto
