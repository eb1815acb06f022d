// The database password of Jet3 and Jet4 files: kept in the header, masked,
// and checked by the engine (it is no key: the pages do not depend on it).
//
// Jet3 keeps up to 20 code-page bytes; Jet4 keeps up to 20 UTF-16 characters
// XOR-ed with the integer part of the creation date, repeated.
#pragma once

#include <string>

#include "format/header.h"
#include "text/text_codec.h"

namespace ledgerfen::crypto {

// The password stored in the header, as UTF-8 ("" when the database has none).
std::string storedJetPassword(const format::DatabaseHeader& header, const text::CodePage* jet3CodePage);

}  // namespace ledgerfen::crypto
