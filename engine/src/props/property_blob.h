// Property blobs: the named properties Access keeps for a table and its
// columns (Required, Description, Format, ...) in the LvProp column of the
// table's catalogue row.
//
//   "MR2\0" (Jet4 and later) or "KKD\0" (Jet3), then chunks, each
//   [4] length with this header [2] kind:
//     0x80  the property names: repeated [2] byte length, name
//     0x00  properties of the table, 0x01 of one column:
//           [4] length of the name part with itself, [2] byte length, object name,
//           then repeated [2] length with itself, [1] DDL flag, [1] type code,
//           [2] number in the name list, [2] value length, value
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/bytes.h"
#include "ledgerfen/status.h"
#include "ledgerfen/value.h"
#include "tdef/table_definition.h"

namespace ledgerfen::props {

struct Property {
  std::string name;
  uint8_t type = 0;  // a column type code
  bool ddl = false;  // set through data definition; Access keeps such ones
  ByteString value;
};

struct PropertySet {
  std::string objectName;  // the column's name; empty for the table itself
  bool column = false;
  std::vector<Property> properties;

  const Property* find(std::string_view name) const;
};

Result<std::vector<PropertySet>> parsePropertyBlob(format::Bytes blob, const tdef::NameDecoder& names);
// Jet4 and later.
ByteString encodePropertyBlob(const std::vector<PropertySet>& sets);

// The text of a Text or Memo property; nullopt for a missing property or
// one of another type.
std::optional<std::string> textProperty(const PropertySet& set, std::string_view name, const tdef::NameDecoder& names);

// The column's Required property is set to Yes.
bool isRequired(const PropertySet& set);
// A column set holding Required = Yes.
PropertySet requiredColumn(const std::string& column);

}  // namespace ledgerfen::props
