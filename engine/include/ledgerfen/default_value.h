// Default values: what a new row holds in a column nobody typed into.
//
// Access keeps a column's default as an expression (Column::defaultValue).
// Constants are taken as Access takes them: numbers, quoted texts ("abc" or
// 'abc', a quote inside written twice), Yes/No, True/False, On/Off, dates
// between #, and Null. So are the functions tables use to stamp new rows,
// evaluated at the moment of the call: Date(), Now(), Time() and GenGUID().
// Any other expression can only be evaluated by Access; such a column starts
// empty, as one without a default does.
#pragma once

#include <optional>

#include "ledgerfen/schema.h"
#include "ledgerfen/value.h"

namespace ledgerfen {

// The column's default as a value of its type; nullopt when there is none
// (AutoNumbers, which the engine assigns, included).
std::optional<Value> defaultValue(const Column& column);

}  // namespace ledgerfen
