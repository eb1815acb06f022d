#include "write/table_builder.h"

#include "db/write_session.h"
#include "index/index_page.h"
#include "row/data_page_editor.h"
#include "tdef/tdef_encoder.h"
#include "usage/usage_map_writer.h"

namespace ledgerfen::write {
namespace {

// Bytes of a new inline usage map: type, start page, then the bitmap.
size_t mapRowSize(const format::FormatSpec& spec) {
  return spec.jet3 ? 133 : 69;
}

uint32_t fixedWidth(const Column& c) {
  switch (c.type) {
    case ColumnType::Boolean: return 0;
    case ColumnType::Numeric: return 17;
    case ColumnType::DateTimeExt: return 42;
    default: return c.length;
  }
}

// Puts a usage-map row on the page the database keeps them on, or on a new one.
Result<format::RowPointer> addMapRow(Database::Core& core, std::optional<uint32_t> markedPage) {
  const format::FormatSpec& spec = *core.spec;
  std::vector<uint8_t> row(mapRowSize(spec), 0);
  if (markedPage && *markedPage < (row.size() - 5) * 8) row[5 + *markedPage / 8] |= uint8_t(1u << (*markedPage % 8));
  if (core.writing->mapPage != 0) {
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, core.pager->modify(core.writing->mapPage));
    row::DataPageEditor editor(spec, page);
    if (editor.canAdd(row.size())) {
      LF_ASSIGN_OR_RETURN(uint16_t slot, editor.addRow(row));
      return format::RowPointer{core.writing->mapPage, uint8_t(slot)};
    }
  }
  LF_ASSIGN_OR_RETURN(core.writing->mapPage, core.writing->allocator->allocate());
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, core.pager->modify(core.writing->mapPage));
  row::DataPageEditor::initialize(spec, page, 0);
  LF_ASSIGN_OR_RETURN(uint16_t slot, row::DataPageEditor(spec, page).addRow(row));
  return format::RowPointer{core.writing->mapPage, uint8_t(slot)};
}

Status writePage(Database::Core& core, uint32_t number, const std::vector<uint8_t>& bytes) {
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> page, core.pager->modify(number));
  std::copy(bytes.begin(), bytes.end(), page.begin());
  return okStatus();
}

}  // namespace

void layOutColumns(tdef::TableDefinition& def) {
  uint16_t fixedOffset = 0, varIndex = 0, maxColumns = 0;
  def.layout.resize(def.schema.columns.size());
  for (size_t i = 0; i < def.schema.columns.size(); ++i) {
    const Column& c = def.schema.columns[i];
    maxColumns = std::max<uint16_t>(maxColumns, uint16_t(c.number + 1));
    if (c.fixed) {
      // Access records in a fixed column how many variable ones precede it.
      def.layout[i].varIndex = varIndex;
      // Yes/No values live in the null mask; Access gives them offset 0.
      def.layout[i].fixedOffset = c.type == ColumnType::Boolean ? 0 : fixedOffset;
      fixedOffset = uint16_t(fixedOffset + fixedWidth(c));
    } else {
      def.layout[i].varIndex = varIndex++;
    }
  }
  def.maxColumns = maxColumns;
  def.varColumnCount = varIndex;
}

Result<uint32_t> storeNewTable(Database::Core& core, tdef::TableDefinition def, uint32_t definitionPage) {
  const format::FormatSpec& spec = *core.spec;
  if (definitionPage == 0) {
    LF_ASSIGN_OR_RETURN(definitionPage, core.writing->allocator->allocate());
  }
  def.schema.definitionPage = definitionPage;
  LF_ASSIGN_OR_RETURN(def.ownedPages, addMapRow(core, std::nullopt));
  LF_ASSIGN_OR_RETURN(def.freePages, addMapRow(core, std::nullopt));
  if (!spec.jet3) {
    for (const Column& c : def.schema.columns) {
      if (c.type != ColumnType::Memo && c.type != ColumnType::Ole) continue;
      tdef::LongValueMaps maps;
      maps.columnNumber = c.number;
      LF_ASSIGN_OR_RETURN(maps.ownedPages, addMapRow(core, std::nullopt));
      LF_ASSIGN_OR_RETURN(maps.freePages, addMapRow(core, std::nullopt));
      def.longValueMaps.push_back(maps);
    }
  }
  // Each stored index gets an empty root leaf, listed in its own usage map.
  for (tdef::RealIndex& index : def.realIndexes) {
    LF_ASSIGN_OR_RETURN(index.rootPage, core.writing->allocator->allocate());
    index::IndexPage root;
    root.number = index.rootPage;
    root.leaf = true;
    root.owner = definitionPage;
    LF_ASSIGN_OR_RETURN(std::vector<uint8_t> bytes, index::encodeIndexPage(spec, root));
    LF_RETURN_IF_ERROR(writePage(core, index.rootPage, bytes));
    LF_ASSIGN_OR_RETURN(index.usageMap, addMapRow(core, index.rootPage));
    if (index.rootPage >= (mapRowSize(spec) - 5) * 8) {
      usage::UsageMapWriter map(*core.pager, spec, index.usageMap, usage::MapKind::Owned);
      LF_RETURN_IF_ERROR(map.set(index.rootPage, true, *core.writing->allocator));
    }
  }

  LF_ASSIGN_OR_RETURN(std::vector<uint8_t> bytes, tdef::encodeTableDefinition(spec, def, core.codePage.get()));
  std::vector<uint32_t> pages = {definitionPage};
  while (pages.size() < tdef::definitionPageCount(spec, bytes.size())) {
    LF_ASSIGN_OR_RETURN(uint32_t next, core.writing->allocator->allocate());
    pages.push_back(next);
  }
  auto images = tdef::definitionPages(spec, bytes, pages);
  for (size_t i = 0; i < pages.size(); ++i) LF_RETURN_IF_ERROR(writePage(core, pages[i], images[i]));
  return definitionPage;
}

}  // namespace ledgerfen::write
