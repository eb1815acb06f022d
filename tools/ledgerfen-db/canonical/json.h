// JSON text as the canonical dump writes it: strings escaped the way
// ECMAScript's JSON.stringify escapes them, nothing else.
#pragma once

#include <string>
#include <string_view>

namespace ledgerfen::canonical {

// Appends `text` (UTF-8; lone surrogates in their three-byte form) as a JSON
// string with its quotes. Escapes ", \, control characters and lone
// surrogates; everything else is copied.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace ledgerfen::canonical
