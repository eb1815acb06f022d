// What an open database shares with its tables and cursors.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "format/format_spec.h"
#include "format/header.h"
#include "ledgerfen/database.h"
#include "page/pager.h"
#include "tdef/table_definition.h"
#include "text/text_codec.h"

namespace ledgerfen {

struct Database::Core {
  std::string path;
  format::DatabaseHeader header;
  const format::FormatSpec* spec = nullptr;
  std::unique_ptr<page::Pager> pager;
  std::shared_ptr<const text::CodePage> codePage;  // Jet3 text and names
  tdef::NameDecoder names;
  std::optional<std::vector<CatalogEntry>> catalog;
  // Definitions read so far, by first page; shared with tables and cursors.
  std::map<uint32_t, std::shared_ptr<const tdef::TableDefinition>> definitions;

  // The definition on `page`, read once; `name` is the table's catalogue name.
  Result<std::shared_ptr<const tdef::TableDefinition>> definition(uint32_t page, const std::string& name);
  // Prefixes the file name to an error's message.
  Error inFile(const Error& e) const { return e.withContext(path); }
};

}  // namespace ledgerfen
