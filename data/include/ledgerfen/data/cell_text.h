// The text a grid cell shows for a value, whether a person may edit it, and
// the value a person means by the text typed into it.
//
// Editable values show their value-text form (ledgerfen/value_text.h), which
// reads back to the same value when typed in. Binary data, OLE objects,
// attachments, calculated values and AutoNumbers cannot be typed: binary
// data and OLE objects show a short placeholder naming their size,
// attachment and multi-value columns "(attachments)", calculated columns
// their computed value, AutoNumbers the number the engine gave. NULL shows
// as empty text. The exports write exactly these texts.
//
// Typing: a cell left empty is NULL. In Text and Memo columns, where the
// empty text is a value of its own, it is typed as two double quotes ("");
// any other text is the text itself. Other columns read the value-text form.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/schema.h"
#include "ledgerfen/status.h"
#include "ledgerfen/value.h"

namespace ledgerfen::data {

std::string cellText(const Column& column, const Value& value);
bool isEditableCell(const Column& column);

// The text that stands for the empty text in Text and Memo columns.
inline constexpr std::string_view kEmptyTextTyped = "\"\"";

// The value of `typed` for the column, or a Constraint error saying what
// form the column expects.
Result<Value> parseCellText(const Column& column, std::string_view typed);

}  // namespace ledgerfen::data
