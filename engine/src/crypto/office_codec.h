// The page codec of an encrypted ACE file: reads the encryption description
// of the header, checks the password against its verifier and derives the
// page keys of the provider it names (RC4 CryptoAPI, Standard or agile).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "format/bytes.h"
#include "page/page_codec.h"

namespace ledgerfen::crypto {

// Corrupt or Unsupported for a description that cannot be used; WrongPassword
// when the password does not open the file. Messages never hold key material.
Result<std::unique_ptr<page::PageCodec>> makeOfficePageCodec(format::Bytes description,
                                                             std::array<uint8_t, 4> encodingKey,
                                                             std::string_view password);

}  // namespace ledgerfen::crypto
