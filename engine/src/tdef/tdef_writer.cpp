#include "tdef/tdef_writer.h"

namespace ledgerfen::tdef {

Status patchDefinition(page::Pager& pager, const format::FormatSpec& spec, const TableDefinition& def, size_t offset,
                       std::span<const uint8_t> bytes) {
  const size_t continuation = spec.pageSize - 8;
  for (size_t i = 0; i < bytes.size(); ++i) {
    size_t at = offset + i;
    size_t pageIndex = at < spec.pageSize ? 0 : 1 + (at - spec.pageSize) / continuation;
    size_t inPage = at < spec.pageSize ? at : 8 + (at - spec.pageSize) % continuation;
    if (pageIndex >= def.pages.size()) {
      return Error(ErrorKind::Corrupt, "table " + def.schema.name + ": its definition is shorter than it claims");
    }
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, pager.modify(def.pages[pageIndex]));
    page[inPage] = bytes[i];
  }
  return okStatus();
}

Status patchDefinition32(page::Pager& pager, const format::FormatSpec& spec, const TableDefinition& def, size_t offset,
                         uint32_t value) {
  uint8_t bytes[4];
  format::put32le(bytes, value);
  return patchDefinition(pager, spec, def, offset, bytes);
}

}  // namespace ledgerfen::tdef
