#include "ledgerfen/data/table_catalog.h"

#include "ledgerfen/data/connection_string.h"

namespace ledgerfen::data {

std::string TableCatalog::connectionString() const {
  return buildConnectionString(fields_.databasePath(), fields_.databasePassword());
}

Result<TableList> TableCatalog::listTables(const std::string& path) const {
  NewConnection made = engine_.createConnection();
  if (!made.ok()) return made.error();
  if (!paths_.exists(path)) return TableList();
  Connection& connection = *made.connection;
  LF_RETURN_IF_ERROR(connection.open(connectionString()));
  LF_ASSIGN_OR_RETURN(Rowset schema, connection.openSchema(Schema::Tables));
  std::vector<std::string> names;
  while (!schema.eof()) {
    LF_ASSIGN_OR_RETURN(Rowset::Field type, schema.field(kTableType));
    if (type == kTypeTable) {
      LF_ASSIGN_OR_RETURN(Rowset::Field name, schema.field(kTableName));
      names.push_back(name.value_or(""));
    }
    schema.moveNext();
  }
  schema.close();
  connection.close();
  return TableList(std::move(names));
}

Status TableCatalog::fillTableList(TableListControl& list, const std::string& path) const {
  LF_ASSIGN_OR_RETURN(TableList tables, listTables(path));
  if (!tables) return okStatus();
  list.clear();
  for (const std::string& name : *tables) list.addItem(name);
  if (list.count() > 0) list.select(0);
  return okStatus();
}

}  // namespace ledgerfen::data
