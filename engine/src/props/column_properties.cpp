#include "props/column_properties.h"

#include <algorithm>

#include "catalog/catalog.h"
#include "props/property_blob.h"
#include "table/row_reader.h"

namespace ledgerfen::props {

Status applyColumnProperties(const std::shared_ptr<Database::Core>& core, tdef::TableDefinition& def) {
  if (!core->catalog) {
    LF_ASSIGN_OR_RETURN(core->catalog, catalog::readCatalog(core));
  }
  const std::vector<CatalogEntry>& entries = *core->catalog;
  auto entry = std::find_if(entries.begin(), entries.end(), [&](const CatalogEntry& e) {
    return e.isLocalTable() && e.definitionPage() == def.schema.definitionPage;
  });
  if (entry == entries.end()) return okStatus();

  LF_ASSIGN_OR_RETURN(auto catalogDef, core->definition(format::kCatalogTableDefPage, "MSysObjects"));
  const auto& columns = catalogDef->schema.columns;
  auto lvProp = std::find_if(columns.begin(), columns.end(), [](const Column& c) { return c.name == "LvProp"; });
  if (lvProp == columns.end()) return okStatus();
  const size_t position = size_t(lvProp - columns.begin());
  LF_ASSIGN_OR_RETURN(table::RowReader reader, table::RowReader::create(core, catalogDef));
  Row row;
  LF_RETURN_IF_ERROR(reader.readStored(entry->row, row, {position}));
  const auto* blob = std::get_if<ByteString>(&row.values[position]);
  if (!blob) return okStatus();
  auto sets = parsePropertyBlob(*blob, core->names);
  if (!sets) return okStatus();
  for (const PropertySet& set : *sets) {
    if (!set.column) continue;
    auto column = std::find_if(def.schema.columns.begin(), def.schema.columns.end(),
                               [&](const Column& c) { return c.name == set.objectName; });
    if (column == def.schema.columns.end()) continue;
    if (isRequired(set)) column->nullable = false;
    column->defaultValue = textProperty(set, "DefaultValue", core->names).value_or("");
  }
  return okStatus();
}

Result<ByteString> propertiesFor(const TableSpec& spec, FileFormat format) {
  std::vector<PropertySet> sets;
  for (const ColumnSpec& column : spec.columns) {
    if (column.required) sets.push_back(requiredColumn(column.name));
  }
  if (sets.empty()) return ByteString{};
  if (format == FileFormat::Jet3) {
    return Error(ErrorKind::Unsupported,
                 "table " + spec.name + ": required columns need an Access 2000 or later database");
  }
  return encodePropertyBlob(sets);
}

}  // namespace ledgerfen::props
