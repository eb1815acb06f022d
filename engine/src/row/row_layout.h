// Splits a stored row into the bytes of each column.
//
// Jet4/ACE rows, front to back: column count (2), fixed area, variable data,
// end-of-data offset, variable offsets in reverse order, variable count (2),
// null mask. Jet3 rows use one-byte counts and offsets plus a jump table that
// adds 256 to offsets past each 256-byte boundary. A null-mask bit of 1 means
// the value is present; a Boolean is its bit.
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "tdef/table_definition.h"

namespace ledgerfen::row {

struct CellBytes {
  bool present = false;  // the row holds the column and its null-mask bit is set
  format::Bytes bytes;   // empty for NULL and Boolean
};

class RowLayout {
 public:
  RowLayout(const format::FormatSpec& spec, const tdef::TableDefinition& def);

  // Fills one CellBytes per column of the definition (in schema order).
  // Errors describe the damage; the caller names the row.
  Status split(format::Bytes row, std::vector<CellBytes>& cells) const;

 private:
  struct Trailer {
    uint32_t columnCount = 0;
    format::Bytes nullMask;
    uint32_t varCount = 0;
    uint32_t dataEnd = 0;  // first byte of the trailer; all data lies before it
  };
  Status readTrailer(format::Bytes row, Trailer& t, std::vector<uint32_t>& varOffsets) const;

  const format::FormatSpec& spec_;
  const tdef::TableDefinition& def_;
  mutable std::vector<uint32_t> varOffsets_;
};

}  // namespace ledgerfen::row
