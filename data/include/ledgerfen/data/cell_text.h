// The text a grid cell shows for a value, and whether a person may edit it.
//
// Editable values show their value-text form (ledgerfen/value_text.h), which
// reads back to the same value when typed in. Binary data, OLE objects,
// attachments and calculated values cannot be typed: binary data and OLE
// objects show a short placeholder naming their size, attachment and
// multi-value columns "(attachments)", calculated columns their computed
// value. NULL shows as empty text. The exports write exactly these texts.
#pragma once

#include <string>

#include "ledgerfen/schema.h"
#include "ledgerfen/value.h"

namespace ledgerfen::data {

std::string cellText(const Column& column, const Value& value);
bool isEditableCell(const Column& column);

}  // namespace ledgerfen::data
