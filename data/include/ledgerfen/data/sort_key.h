// How the grid compares values when it sorts, filters and searches without
// an index: texts without regard to case, and when sorting without regard
// to accents either; numbers and dates by their value.
//
// A sort key is a byte string whose byte order is the values' order: NULL
// first, then the values of the column's type. Yes sorts before No, as an
// index orders them (Yes is -1). Dates sort by time, also before 1899-12-30
// (where the stored number's fraction runs the other way). Text keys fold
// case and the accents of Latin letters (é as e, æ as ae, ß as ss) and
// otherwise keep code point order, close to Access's General sort order
// but not its equal: an index, where one exists, gives Access's own order.
// Values whose keys are equal keep the order of their rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ledgerfen/schema.h"
#include "ledgerfen/value.h"

namespace ledgerfen::data {

// `text` (UTF-8) in lower case, for matching without regard to case:
// Latin, Greek, Cyrillic and Armenian letters, and the full-width Latin
// ones. Bytes that are not UTF-8 stay as they are.
std::string foldCase(std::string_view text);

// Appends the sort key of `value` in `column` to `out`; with `limit`, stops
// once more than `limit` bytes were appended (enough to compare the first
// `limit` bytes and to know that more follow).
void appendSortKey(const Column& column, const Value& value, std::string& out, size_t limit = SIZE_MAX);
std::string sortKey(const Column& column, const Value& value);

// Whether the grid can sort by the column: not attachments or OLE objects.
bool isSortableColumn(const Column& column);

}  // namespace ledgerfen::data
