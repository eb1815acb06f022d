#include "catalog/catalog.h"

#include "table/table_scanner.h"

namespace ledgerfen::catalog {
namespace {

template <typename T>
T integerOr(const Value& v, T fallback) {
  return std::visit(
      [&](const auto& x) -> T {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, int16_t> || std::is_same_v<X, int32_t> || std::is_same_v<X, uint8_t>) {
          return T(x);
        } else {
          return fallback;
        }
      },
      v);
}

}  // namespace

Result<std::vector<CatalogEntry>> readCatalog(const std::shared_ptr<Database::Core>& core) {
  LF_ASSIGN_OR_RETURN(auto def, core->definition(format::kCatalogTableDefPage, "MSysObjects"));
  const TableSchema& schema = def->schema;
  std::vector<size_t> wanted;
  for (const char* name : {"Id", "ParentId", "Name", "Type", "Flags"}) {
    int position = -1;
    for (size_t i = 0; i < schema.columns.size(); ++i) {
      if (schema.columns[i].name == name) position = int(i);
    }
    if (position < 0) return Error(ErrorKind::Corrupt, std::string("the catalogue has no column ") + name);
    wanted.push_back(size_t(position));
  }
  LF_ASSIGN_OR_RETURN(table::TableScanner scanner, table::TableScanner::open(core, def, ScanOrder::Storage, wanted));
  std::vector<CatalogEntry> entries;
  Row row;
  while (true) {
    LF_ASSIGN_OR_RETURN(bool more, scanner.next(row));
    if (!more) break;
    CatalogEntry e;
    e.id = integerOr<int32_t>(row.values[wanted[0]], 0);
    e.parentId = integerOr<int32_t>(row.values[wanted[1]], 0);
    if (auto* name = std::get_if<std::string>(&row.values[wanted[2]])) e.name = *name;
    e.type = integerOr<int16_t>(row.values[wanted[3]], 0);
    e.flags = integerOr<int32_t>(row.values[wanted[4]], 0);
    e.row = row.id;
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace ledgerfen::catalog
