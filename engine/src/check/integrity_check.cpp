#include "check/integrity_check.h"

#include <map>
#include <set>

#include "catalog/catalog.h"
#include "lval/long_value.h"
#include "row/data_page.h"
#include "table/index_check.h"
#include "table/row_reader.h"
#include "usage/usage_map.h"

namespace ledgerfen::check {
namespace {

class Checker {
 public:
  Checker(std::shared_ptr<Database::Core> core, bool strict) : core_(std::move(core)), strict_(strict) {}

  Result<IntegrityReport> run() {
    claim(0, "the header");
    claim(format::kGlobalUsageMapPage, "the global usage map", /*shared=*/true);
    LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog::readCatalog(core_));
    for (const CatalogEntry& e : entries) {
      if (!e.isLocalTable()) continue;
      if (Status s = checkTable(e); !s) problem("table " + e.name + ": " + s.error().message());
    }
    LF_RETURN_IF_ERROR(checkGlobalMap());
    return report_;
  }

 private:
  void problem(std::string text) { report_.problems.push_back(std::move(text)); }
  void drift(std::string text) { (strict_ ? report_.problems : report_.notes).push_back(std::move(text)); }

  // Records that `page` serves `owner`; pages of usage-map rows may serve several maps.
  void claim(uint32_t page, const std::string& owner, bool shared = false) {
    auto [it, inserted] = owners_.emplace(page, Owner{owner, shared});
    if (!inserted && !(shared && it->second.shared) && it->second.name != owner) {
      problem("page " + std::to_string(page) + " serves both " + it->second.name + " and " + owner);
    }
  }

  Result<std::vector<uint32_t>> mapPages(format::RowPointer map, const std::string& owner, bool global = false) {
    claim(map.page, "usage maps", true);
    LF_ASSIGN_OR_RETURN(row::RowBytes row, row::readRow(*core_->pager, *core_->spec, map));
    if (!row.bytes.empty() && row.bytes[0] == usage::kUsageMapReference) {
      for (size_t at = 1; at + 4 <= row.bytes.size(); at += 4) {
        uint32_t bitmap = format::u32le(row.bytes, at);
        if (global && bitmap >= core_->pager->pageCount()) {
          drift(owner + ": a slot names page " + std::to_string(bitmap) + ", past the end of the file");
        } else if (bitmap != 0) {
          claim(bitmap, owner + " (its usage bitmap)");
        }
      }
    }
    LF_ASSIGN_OR_RETURN(usage::UsageMapCursor cursor,
                        usage::UsageMapCursor::open(*core_->pager, *core_->spec, map, global));
    std::vector<uint32_t> pages;
    while (true) {
      LF_ASSIGN_OR_RETURN(std::optional<uint32_t> page, cursor.next());
      if (!page) return pages;
      pages.push_back(*page);
    }
  }

  // `columnPages`: the pages the column's own usage map lists, when it has one.
  Status checkLongValue(const std::string& where, format::Bytes definition, const std::set<uint32_t>* columnPages) {
    if (definition.size() < lval::kLongValueDefinitionSize) return okStatus();
    uint8_t kind = uint8_t(format::u32le(definition, 0) >> 24) & 0xC0;
    if (kind == lval::kLongValueInline) return okStatus();
    auto at = format::RowPointer::unpack(format::u32le(definition, 4));
    while (!at.isNull()) {
      claim(at.page, "long values", true);
      if (columnPages && !columnPages->count(at.page)) {
        problem(where + ": its long value lies on page " + std::to_string(at.page) +
                ", which the column's usage map does not list");
      }
      if (!lvalRows_.insert(at.packed()).second) {
        problem(where + ": long-value row " + std::to_string(at.row) + " of page " + std::to_string(at.page) +
                " also serves another value");
        return okStatus();
      }
      if (kind != lval::kLongValueChain) return okStatus();
      LF_ASSIGN_OR_RETURN(row::RowBytes row, row::readRow(*core_->pager, *core_->spec, at));
      if (row.bytes.size() < 4) return okStatus();
      at = format::RowPointer::unpack(format::u32le(row.bytes, 0));
    }
    return okStatus();
  }

  Status checkTable(const CatalogEntry& entry) {
    LF_ASSIGN_OR_RETURN(auto def, core_->definition(entry.definitionPage(), entry.name));
    const std::string owner = "table " + entry.name;
    for (uint32_t page : def->pages) claim(page, owner + " (definition)");
    LF_ASSIGN_OR_RETURN(std::vector<uint32_t> owned, mapPages(def->ownedPages, owner));
    LF_ASSIGN_OR_RETURN(std::vector<uint32_t> withRoom, mapPages(def->freePages, owner));
    std::set<uint32_t> ownedSet(owned.begin(), owned.end());
    for (uint32_t page : withRoom) {
      if (!ownedSet.count(page))
        problem(owner + ": its free-space map lists page " + std::to_string(page) + ", which it does not own");
    }
    for (const auto& index : def->realIndexes) {
      if (index.rootPage) claim(index.rootPage, owner + " (an index)");
      LF_ASSIGN_OR_RETURN(std::vector<uint32_t> indexPages, mapPages(index.usageMap, owner + " (an index)"));
      for (uint32_t page : indexPages) claim(page, owner + " (an index)");
    }

    std::map<uint16_t, std::set<uint32_t>> longValuePages;  // column number -> pages its map lists
    for (const tdef::LongValueMaps& maps : def->longValueMaps) {
      if (maps.ownedPages.isNull()) continue;
      LF_ASSIGN_OR_RETURN(std::vector<uint32_t> pages, mapPages(maps.ownedPages, "long values"));
      longValuePages[maps.columnNumber].insert(pages.begin(), pages.end());
      for (uint32_t page : pages) claim(page, "long values", true);
      if (!maps.freePages.isNull()) {
        LF_ASSIGN_OR_RETURN(std::vector<uint32_t> columnWithRoom, mapPages(maps.freePages, "long values"));
        for (uint32_t page : columnWithRoom) {
          if (!longValuePages[maps.columnNumber].count(page)) {
            problem(owner + ": a long-value free-space map lists page " + std::to_string(page) +
                    ", which its column does not own");
          }
        }
      }
    }

    LF_ASSIGN_OR_RETURN(table::RowReader reader, table::RowReader::create(core_, def));
    std::map<uint32_t, int> movedHomes;  // packed pointer -> times pointed at
    std::set<uint32_t> movedTargets;
    uint64_t rows = 0;
    Row row;
    for (uint32_t pageNumber : owned) {
      claim(pageNumber, owner);
      LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(pageNumber));
      LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, page));
      if (data.owner() != entry.definitionPage()) {
        problem(owner + ": its usage map lists page " + std::to_string(pageNumber) + ", a page of another object");
        continue;
      }
      for (uint16_t slot = 0; slot < data.rowCount(); ++slot) {
        if (data.isDeleted(slot)) continue;
        std::string where = owner + ": data page " + std::to_string(pageNumber) + ": row " + std::to_string(slot);
        LF_ASSIGN_OR_RETURN(format::Bytes bytes, data.row(slot));
        if (data.isOverflowTarget(slot)) {
          movedTargets.insert(format::RowPointer{pageNumber, uint8_t(slot)}.packed());
          continue;
        }
        table::RowLocation location{format::RowPointer{pageNumber, uint8_t(slot)}, std::nullopt};
        row::RowBytes moved;
        if (data.isLookup(slot)) {
          auto followed = reader.follow(bytes, location);
          if (!followed) {
            problem(where + ": " + followed.error().message());
            continue;
          }
          moved = std::move(*followed);
          bytes = moved.bytes;
          ++movedHomes[location.moved->packed()];
        }
        if (Status s = reader.decode(bytes, row); !s) {
          problem(where + ": " + s.error().message());
          continue;
        }
        ++rows;
        for (size_t i = 0; i < def->schema.columns.size(); ++i) {
          const Column& column = def->schema.columns[i];
          if ((column.type == ColumnType::Memo || column.type == ColumnType::Ole) && reader.cells()[i].present) {
            auto pages = longValuePages.find(column.number);
            LF_RETURN_IF_ERROR(checkLongValue(where + ": column " + column.name, reader.cells()[i].bytes,
                                              pages == longValuePages.end() ? nullptr : &pages->second));
          }
        }
      }
    }
    for (const auto& [target, count] : movedHomes) {
      auto at = format::RowPointer::unpack(target);
      std::string name = "row " + std::to_string(at.row) + " of page " + std::to_string(at.page);
      if (!movedTargets.count(target))
        problem(owner + ": a moved row points to " + name + ", which is not flagged as moved there");
      if (count > 1) problem(owner + ": " + std::to_string(count) + " rows point to the moved " + name);
      movedTargets.erase(target);
    }
    for (uint32_t orphan : movedTargets) {
      auto at = format::RowPointer::unpack(orphan);
      drift(owner + ": row " + std::to_string(at.row) + " of page " + std::to_string(at.page) +
            " is flagged as a moved row, but no row points to it");
    }
    if (rows != def->schema.rowCount) {
      // Many files Access made carry stale counts, user tables too; Access
      // itself neither relies on them nor mends them until a compaction.
      report_.notes.push_back(owner + ": its definition counts " + std::to_string(def->schema.rowCount) +
                              " rows; it holds " + std::to_string(rows));
    }
    return checkIndexes(owner, def);
  }

  Status checkIndexes(const std::string& owner, const std::shared_ptr<const tdef::TableDefinition>& def) {
    for (size_t r = 0; r < def->realIndexes.size(); ++r) {
      IndexCheck index;
      index.index = table::storedIndexName(*def, r);
      LF_RETURN_IF_ERROR(table::checkIndex(core_, def, r, index));
      const std::string where = owner + ", index " + index.index + ": ";
      for (const std::string& d : index.descriptions) problem(where + d);
      for (const std::string& n : index.notes) drift(where + n);
      if (index.problems > index.descriptions.size()) {
        problem(where + std::to_string(index.problems - index.descriptions.size()) + " more problems");
      }
      if (!index.keysUnchecked.empty()) report_.notes.push_back(where + "keys not checked: " + index.keysUnchecked);
    }
    return okStatus();
  }

  Status checkGlobalMap() {
    LF_ASSIGN_OR_RETURN(std::vector<uint32_t> free,
                        mapPages(format::RowPointer{format::kGlobalUsageMapPage, 0}, "the global usage map", true));
    std::set<uint32_t> freeSet;
    for (uint32_t page : free) {
      if (page >= core_->pager->pageCount()) continue;
      freeSet.insert(page);
      if (auto it = owners_.find(page); it != owners_.end()) {
        problem("page " + std::to_string(page) + " serves " + it->second.name + " but the global map marks it free");
      }
    }
    uint32_t unaccounted = 0;
    for (uint32_t page = 0; page < core_->pager->pageCount(); ++page) {
      if (!freeSet.count(page) && !owners_.count(page)) ++unaccounted;
    }
    if (unaccounted) {
      // Access itself leaves such pages behind until the file is compacted.
      report_.notes.push_back(std::to_string(unaccounted) +
                              " pages are neither free nor used by a table (queries, forms and other "
                              "objects keep pages too)");
    }
    return okStatus();
  }

  struct Owner {
    std::string name;
    bool shared;
  };
  std::shared_ptr<Database::Core> core_;
  bool strict_;
  IntegrityReport report_;
  std::map<uint32_t, Owner> owners_;
  std::set<uint32_t> lvalRows_;
};

}  // namespace

Result<IntegrityReport> checkIntegrity(const std::shared_ptr<Database::Core>& core, bool strict) {
  return Checker(core, strict).run();
}

}  // namespace ledgerfen::check
