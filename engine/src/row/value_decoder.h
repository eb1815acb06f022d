// Turns the bytes of one column of one row into a Value.
#pragma once

#include <memory>
#include <vector>

#include "format/format_spec.h"
#include "ledgerfen/value.h"
#include "page/pager.h"
#include "row/row_layout.h"
#include "tdef/table_definition.h"
#include "text/text_codec.h"

namespace ledgerfen::row {

class ValueDecoder {
 public:
  // `databaseCodePage` decodes Jet3 text whose column names no code page of its own.
  static Result<ValueDecoder> create(page::Pager& pager, const format::FormatSpec& spec,
                                     const tdef::TableDefinition& def,
                                     std::shared_ptr<const text::CodePage> databaseCodePage);

  // Decodes column `position` (in schema order) into `out`, reusing its storage.
  Status decode(size_t position, const CellBytes& cell, Value& out);

 private:
  ValueDecoder(page::Pager& pager, const format::FormatSpec& spec, const tdef::TableDefinition& def)
      : pager_(&pager), spec_(&spec), def_(&def) {}
  Status decodeAs(const Column& c, size_t position, format::Bytes bytes, Value& out);
  Status decodeCalculated(const Column& c, size_t position, format::Bytes value, Value& out);
  Status decodeCalculatedNumeric(format::Bytes value, Value& out);
  void decodeText(size_t position, format::Bytes bytes, std::string& out) const;

  page::Pager* pager_;
  const format::FormatSpec* spec_;
  const tdef::TableDefinition* def_;
  std::vector<std::shared_ptr<const text::CodePage>> codePages_;  // Jet3: per column
  std::vector<uint8_t> longValue_;
};

}  // namespace ledgerfen::row
