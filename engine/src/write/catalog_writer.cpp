#include "write/catalog_writer.h"

#include <chrono>

#include "catalog/catalog.h"
#include "table/table_scanner.h"
#include "write/table_writer.h"

namespace ledgerfen::write {
namespace {

constexpr const char* kCatalogTable = "MSysObjects";
constexpr const char* kPermissionsTable = "MSysACEs";

// A table of the catalogue by name, with its definition.
struct SystemTable {
  uint32_t page = 0;
  std::shared_ptr<const tdef::TableDefinition> def;

  int column(const char* name) const {
    for (size_t i = 0; i < def->schema.columns.size(); ++i) {
      if (def->schema.columns[i].name == name) return int(i);
    }
    return -1;
  }
  Status require(std::initializer_list<const char*> names) const {
    for (const char* name : names) {
      if (column(name) < 0) return Error(ErrorKind::Corrupt, "table " + def->schema.name + " has no column " + name);
    }
    return okStatus();
  }
};

Result<SystemTable> systemTable(const std::shared_ptr<Database::Core>& core, const std::string& name) {
  SystemTable table;
  if (name == kCatalogTable) {
    table.page = format::kCatalogTableDefPage;
  } else {
    LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog::readCatalog(core));
    for (const CatalogEntry& e : entries) {
      if (e.isLocalTable() && e.name == name) table.page = e.definitionPage();
    }
    if (table.page == 0) return Error(ErrorKind::Corrupt, "the catalogue has no table " + name);
  }
  LF_ASSIGN_OR_RETURN(table.def, core->definition(table.page, name));
  return table;
}

// Inserts a row whose values are given by column name; other columns stay NULL.
Status insertNamed(const std::shared_ptr<Database::Core>& core, const SystemTable& table, const std::string& name,
                   const std::vector<std::pair<const char*, Value>>& named) {
  std::vector<Value> values(table.def->schema.columns.size());
  for (const auto& [column, value] : named) {
    int position = table.column(column);
    if (position < 0) return Error(ErrorKind::Corrupt, "table " + name + " has no column " + column);
    values[size_t(position)] = value;
  }
  LF_ASSIGN_OR_RETURN(TableWriter writer, TableWriter::open(core, table.page, name));
  auto inserted = writer.insert(std::move(values));
  return inserted.ok() ? okStatus() : inserted.error();
}

Result<std::vector<Row>> allRows(const std::shared_ptr<Database::Core>& core, const SystemTable& table) {
  LF_ASSIGN_OR_RETURN(table::TableScanner scanner, table::TableScanner::open(core, table.def, ScanOrder::Logical, {}));
  std::vector<Row> rows;
  Row row;
  while (true) {
    LF_ASSIGN_OR_RETURN(bool more, scanner.next(row));
    if (!more) return rows;
    rows.push_back(row);
  }
}

}  // namespace

OleDate oleNow() {
  using namespace std::chrono;
  const double ms = double(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
  return OleDate{25569.0 + ms / 86'400'000.0};
}

Status addCatalogRow(const std::shared_ptr<Database::Core>& core, int32_t id, int32_t parentId, const std::string& name,
                     int16_t type, int32_t flags, const ByteString& owner, OleDate when, const ByteString& properties) {
  LF_ASSIGN_OR_RETURN(SystemTable catalog, systemTable(core, kCatalogTable));
  std::vector<std::pair<const char*, Value>> values = {
      {"Id", id},           {"ParentId", parentId}, {"Name", name},   {"Type", type},
      {"DateCreate", when}, {"DateUpdate", when},   {"Flags", flags},
  };
  if (!owner.empty()) values.emplace_back("Owner", owner);
  if (!properties.empty()) values.emplace_back("LvProp", properties);
  LF_RETURN_IF_ERROR(insertNamed(core, catalog, kCatalogTable, values));
  core->catalog.reset();
  return okStatus();
}

Status addPermission(const std::shared_ptr<Database::Core>& core, int32_t objectId, const ByteString& sid, int32_t mask,
                     bool inheritable) {
  LF_ASSIGN_OR_RETURN(SystemTable permissions, systemTable(core, kPermissionsTable));
  return insertNamed(core, permissions, kPermissionsTable,
                     {{"ObjectId", objectId}, {"SID", sid}, {"ACM", mask}, {"FInheritable", inheritable}});
}

Status registerTable(const std::shared_ptr<Database::Core>& core, const std::string& name, uint32_t definitionPage,
                     const ByteString& properties) {
  // The new table is owned like the Tables container.
  LF_ASSIGN_OR_RETURN(SystemTable catalog, systemTable(core, kCatalogTable));
  LF_RETURN_IF_ERROR(catalog.require({"Id", "Owner"}));
  LF_ASSIGN_OR_RETURN(std::vector<Row> objects, allRows(core, catalog));
  ByteString owner;
  for (const Row& row : objects) {
    const Value& id = row.values[size_t(catalog.column("Id"))];
    const Value& stored = row.values[size_t(catalog.column("Owner"))];
    if (sameValue(id, int32_t(kTablesContainerId)) && std::holds_alternative<ByteString>(stored)) {
      owner = std::get<ByteString>(stored);
    }
  }
  LF_RETURN_IF_ERROR(addCatalogRow(core, int32_t(definitionPage), kTablesContainerId, name, CatalogEntry::kLocalTable,
                                   0, owner, oleNow(), properties));

  // It takes on the permissions the container passes on to what is made in it.
  LF_ASSIGN_OR_RETURN(SystemTable permissions, systemTable(core, kPermissionsTable));
  LF_RETURN_IF_ERROR(permissions.require({"ObjectId", "SID", "ACM", "FInheritable"}));
  LF_ASSIGN_OR_RETURN(std::vector<Row> entries, allRows(core, permissions));
  const size_t objectId = size_t(permissions.column("ObjectId")), sid = size_t(permissions.column("SID")),
               mask = size_t(permissions.column("ACM")), inheritable = size_t(permissions.column("FInheritable"));
  for (const Row& row : entries) {
    if (!sameValue(row.values[objectId], int32_t(kTablesContainerId)) || !sameValue(row.values[inheritable], true)) {
      continue;
    }
    if (!std::holds_alternative<ByteString>(row.values[sid]) || !std::holds_alternative<int32_t>(row.values[mask]))
      continue;
    LF_RETURN_IF_ERROR(addPermission(core, int32_t(definitionPage), std::get<ByteString>(row.values[sid]),
                                     std::get<int32_t>(row.values[mask]), false));
  }
  return okStatus();
}

}  // namespace ledgerfen::write
