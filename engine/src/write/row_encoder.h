// Builds the stored form of a row from the stored bytes of each column, the
// inverse of row::RowLayout (see there for the layout).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "format/format_spec.h"
#include "ledgerfen/value.h"
#include "tdef/table_definition.h"

namespace ledgerfen::write {

// One column of a row to encode: absent is NULL (false for a Boolean).
struct ColumnBytes {
  bool present = false;
  ByteString bytes;  // fixed columns: exactly their width; Boolean: empty
};

// Encodes a row with one ColumnBytes per column of `def` (schema order).
Result<ByteString> encodeRow(const format::FormatSpec& spec, const tdef::TableDefinition& def,
                             const std::vector<ColumnBytes>& columns);

}  // namespace ledgerfen::write
