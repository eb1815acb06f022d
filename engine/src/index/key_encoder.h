// Index keys: the bytes an index orders its rows by.
//
// A key is, for each column of the index in turn, a flag byte (0x7F
// ascending, 0x80 descending; 0x00 / 0xFF for NULL, with nothing after it)
// and the column's value in a form whose unsigned byte order is the order
// Access gives the values; a descending column inverts it. Comparing whole
// keys as byte strings therefore orders rows as the index does.
//
// A KeyEncoder is made once per index and is then a plain value: safe to
// copy and to use from several threads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "index/text_key.h"
#include "ledgerfen/file_format.h"
#include "ledgerfen/schema.h"
#include "ledgerfen/status.h"
#include "ledgerfen/value.h"

namespace ledgerfen::index {

inline constexpr uint8_t kKeyAscending = 0x7F;
inline constexpr uint8_t kKeyDescending = 0x80;
inline constexpr uint8_t kKeyNullAscending = 0x00;
inline constexpr uint8_t kKeyNullDescending = 0xFF;

// How one column of an index is encoded.
struct KeyColumn {
  std::string name;
  size_t position = 0;  // in the table's schema
  ColumnType type = ColumnType::Long;
  bool ascending = true;
  TextSortOrder textOrder = TextSortOrder::GeneralLegacy;  // Text and Memo
  ExpansionPositions expansions = ExpansionPositions::PerLetter;
  bool legacyDecimal = false;  // Jet3/Jet4 order of Decimal keys (ACE changed it)
  uint8_t scale = 0;           // Decimal
};

// Appends the flag byte and the encoded value of one column. The value must
// be of the column's type (as the row decoder produces it) or NULL.
Status appendColumnKey(std::vector<uint8_t>& out, const KeyColumn& column, const Value& value);

class KeyEncoder {
 public:
  // The encoder for an index over `columns` of `schema`. Fails with
  // Unsupported, naming the column, for columns no key can be made of: OLE
  // objects, unknown types, and text whose sort order is language-specific
  // (Access has not published those weights); such indexes can still be read.
  static Result<KeyEncoder> create(FileFormat format, const TableSchema& schema,
                                   const std::vector<IndexColumn>& columns);

  const std::vector<KeyColumn>& columns() const { return columns_; }

  // The key of a row whose values are in schema order.
  Status encodeRow(std::span<const Value> row, std::vector<uint8_t>& key) const;
  // The key made of values for the first values.size() columns of the index:
  // a whole key, or, with fewer values, the prefix every key starting with
  // those values shares.
  Status encodeValues(std::span<const Value> values, std::vector<uint8_t>& key) const;

 private:
  std::vector<KeyColumn> columns_;
};

// The sort order whose weights encode a text column, or an Unsupported error
// naming the column, its sort order's LCID and version.
Result<TextSortOrder> textSortOrderOf(FileFormat format, const Column& column);

}  // namespace ledgerfen::index
