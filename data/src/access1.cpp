#include "ledgerfen/data/access1.h"

#include "ledgerfen/data/connection_string.h"

namespace ledgerfen::data {

std::string Access1::BuildConnectionString() const {
  return data::BuildConnectionString(fields_.databasePath(), fields_.databasePassword());
}

Result<TableList> Access1::ListDatabaseTables(const std::string& path) const {
  NewConnection made = engine_.createConnection();
  if (!made.ok()) return made.error();
  if (!paths_.PathExists(path)) return TableList();
  Connection& connection = *made.connection;
  LF_RETURN_IF_ERROR(connection.open(BuildConnectionString()));
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

Status Access1::FillTableList(TableListControl& list, const std::string& path) const {
  LF_ASSIGN_OR_RETURN(TableList tables, ListDatabaseTables(path));
  if (!tables) return okStatus();
  list.clear();
  for (const std::string& name : *tables) list.addItem(name);
  if (list.listCount() > 0) list.setListIndex(0);
  return okStatus();
}

}  // namespace ledgerfen::data
