#include "write/pages_in_use.h"

#include "catalog/catalog.h"
#include "db/database_core.h"
#include "row/data_page.h"
#include "usage/usage_map.h"

namespace ledgerfen::write {
namespace {

class Collector {
 public:
  explicit Collector(Database::Core& core) : core_(core) { pages_.owned.resize(core.pager->pageCount(), false); }

  Status addMap(format::RowPointer map, bool global = false) {
    if (map.isNull()) return okStatus();
    pages_.setOwned(map.page, true);
    LF_ASSIGN_OR_RETURN(row::RowBytes row, row::readRow(*core_.pager, *core_.spec, map));
    if (!row.bytes.empty() && row.bytes[0] == usage::kUsageMapReference) {
      for (size_t at = 1; at + 4 <= row.bytes.size(); at += 4) pages_.setOwned(format::u32le(row.bytes, at), true);
    }
    // The global map lists free pages, not pages it holds.
    if (global) return okStatus();
    LF_ASSIGN_OR_RETURN(usage::UsageMapCursor cursor, usage::UsageMapCursor::open(*core_.pager, *core_.spec, map));
    while (true) {
      LF_ASSIGN_OR_RETURN(std::optional<uint32_t> page, cursor.next());
      if (!page) return okStatus();
      pages_.setOwned(*page, true);
    }
  }

  Status addTable(uint32_t definitionPage) {
    LF_ASSIGN_OR_RETURN(tdef::TableDefinition def,
                        tdef::readTableDefinition(*core_.pager, *core_.spec, core_.names, definitionPage));
    pages_.tableDefinitions.insert(definitionPage);
    for (uint32_t page : def.pages) pages_.setOwned(page, true);
    LF_RETURN_IF_ERROR(addMap(def.ownedPages));
    LF_RETURN_IF_ERROR(addMap(def.freePages));
    for (const tdef::RealIndex& index : def.realIndexes) {
      if (index.rootPage) pages_.setOwned(index.rootPage, true);
      LF_RETURN_IF_ERROR(addMap(index.usageMap));
    }
    for (const tdef::LongValueMaps& maps : def.longValueMaps) {
      LF_RETURN_IF_ERROR(addMap(maps.ownedPages));
      LF_RETURN_IF_ERROR(addMap(maps.freePages));
    }
    return okStatus();
  }

  // The header, the page of the global map (with its bitmap pages) and the
  // catalogue's definition.
  Status addHeaderPages() {
    pages_.setOwned(0, true);
    pages_.setOwned(format::kCatalogTableDefPage, true);
    return addMap(format::RowPointer{format::kGlobalUsageMapPage, 0}, /*global=*/true);
  }

  usage::PagesInUse take() { return std::move(pages_); }

 private:
  Database::Core& core_;
  usage::PagesInUse pages_;
};

}  // namespace

Result<usage::PagesInUse> readPagesInUse(const std::shared_ptr<Database::Core>& core) {
  Collector collector(*core);
  LF_RETURN_IF_ERROR(collector.addHeaderPages());
  LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog::readCatalog(core));
  for (const CatalogEntry& e : entries) {
    if (!e.isLocalTable()) continue;
    if (Status s = collector.addTable(e.definitionPage()); !s) {
      return s.error().withContext("table " + e.name);
    }
  }
  return collector.take();
}

}  // namespace ledgerfen::write
