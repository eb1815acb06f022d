// The database password of Jet3 and Jet4 files: kept in the header, masked,
// and checked by the engine (it is no key: the pages do not depend on it).
//
// Jet3 keeps up to 20 code-page bytes; Jet4 keeps up to 20 UTF-16 characters
// XOR-ed with the integer part of the creation date, repeated. A field that
// is all zero (after unmasking) means the database has no password.
#pragma once

#include <string_view>

#include "format/header.h"
#include "text/text_codec.h"

namespace ledgerfen::crypto {

// True when `password` (UTF-8) opens the database: it has no password, or the
// given one is exactly the stored one. Case matters, as it does to Jet. Jet3
// bytes are decoded with `jet3CodePage` (without one, compared as they are).
bool jetPasswordMatches(const format::DatabaseHeader& header, const text::CodePage* jet3CodePage,
                        std::string_view password);

}  // namespace ledgerfen::crypto
