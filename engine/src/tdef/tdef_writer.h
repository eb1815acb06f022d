// Writes fields of a table definition back to the pages that hold it. The
// offsets are those of the assembled definition (the first page whole, each
// continuation page from byte 8), as the reader used them.
#pragma once

#include <cstdint>
#include <span>

#include "format/format_spec.h"
#include "page/pager.h"
#include "tdef/table_definition.h"

namespace ledgerfen::tdef {

Status patchDefinition(page::Pager& pager, const format::FormatSpec& spec, const TableDefinition& def, size_t offset,
                       std::span<const uint8_t> bytes);
Status patchDefinition32(page::Pager& pager, const format::FormatSpec& spec, const TableDefinition& def, size_t offset,
                         uint32_t value);

}  // namespace ledgerfen::tdef
