// Turns a value given for a column into what the column stores: the value
// is converted to the column's type (integers of any width into a number
// column of fitting range, and so on), checked against the column's size,
// and encoded. Errors are Constraint errors that name the column.
#pragma once

#include "format/format_spec.h"
#include "ledgerfen/schema.h"
#include "ledgerfen/value.h"
#include "text/text_codec.h"

namespace ledgerfen::write {

// The value as the column's own type (NULL stays NULL).
Result<Value> coerceValue(const Column& column, const Value& value);

// Fixed-length text and binary as Access stores them: padded to the column's
// length with spaces or zero bytes (the padded value is the one the row
// holds). Other values pass.
Result<Value> padFixedLength(const format::FormatSpec& spec, const Column& column, Value value,
                             const text::CodePage* jet3CodePage);

// The stored bytes of a non-NULL value already coerced to the column's type.
// Fixed types give exactly their width; Text the text bytes (fixed-length
// text uncompressed); Binary the
// bytes; Memo and OLE the data that goes into long-value storage.
// `jet3CodePage` encodes Jet3 text.
Result<ByteString> encodeValue(const format::FormatSpec& spec, const Column& column, const Value& value,
                               const text::CodePage* jet3CodePage);

// Whether the column's values can be written at all (not calculated, not an
// attachment or multi-value column).
bool isWritable(const Column& column);

}  // namespace ledgerfen::write
