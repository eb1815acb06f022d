// Writes a table definition: the inverse of readTableDefinition. The bytes
// are the assembled form (header, body, FF FF); definitionPages() cuts them
// into the first page and its continuation pages.
#pragma once

#include <cstdint>
#include <vector>

#include "format/format_spec.h"
#include "tdef/table_definition.h"
#include "text/text_codec.h"

namespace ledgerfen::tdef {

// `jet3CodePage` encodes the names of Jet3 definitions.
Result<std::vector<uint8_t>> encodeTableDefinition(const format::FormatSpec& spec, const TableDefinition& def,
                                                   const text::CodePage* jet3CodePage);

// How many pages definition bytes of `size` take.
size_t definitionPageCount(const format::FormatSpec& spec, size_t size);

// The page images holding `bytes` on `pages` (as many as definitionPageCount says).
std::vector<std::vector<uint8_t>> definitionPages(const format::FormatSpec& spec, const std::vector<uint8_t>& bytes,
                                                  const std::vector<uint32_t>& pages);

}  // namespace ledgerfen::tdef
