// Long values (Memo and OLE): a 12-byte definition in the row, then the data
// inline, in one row of a long-value page, or in a chain of such rows.
//
//   bytes 0-3: length (bits 0-29) and kind (bits 30-31)
//   bytes 4-7: packed (row, page) of the first long-value row
//   bytes 8-11: unused
//   bytes 12-: the data, for the inline kind
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "page/pager.h"

namespace ledgerfen::lval {

inline constexpr uint32_t kLongValueDefinitionSize = 12;
inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;
inline constexpr uint8_t kLongValueInline = 0x80;
inline constexpr uint8_t kLongValueSingle = 0x40;
inline constexpr uint8_t kLongValueChain = 0x00;

// Appends the value whose definition is `definition` to `out`.
Status readLongValue(page::Pager& pager, const format::FormatSpec& spec, format::Bytes definition,
                     std::vector<uint8_t>& out);

}  // namespace ledgerfen::lval
