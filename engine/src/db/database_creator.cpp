#include "db/database_creator.h"

#include "db/database_internals.h"
#include "db/write_session.h"
#include "format/header.h"
#include "row/data_page_editor.h"
#include "write/catalog_writer.h"
#include "write/system_tables.h"
#include "write/table_builder.h"

namespace ledgerfen::db {
namespace {

// The first pages of a new file: the header, the global usage map (every
// page past the first three free) and a page for the catalogue's definition.
Result<std::vector<uint8_t>> firstPages(FileFormat format, double creationDate) {
  const format::FormatSpec& spec = format::formatSpec(format);
  LF_ASSIGN_OR_RETURN(std::vector<uint8_t> bytes, format::buildHeader(format, creationDate));
  bytes.resize(size_t(spec.pageSize) * 3, 0);
  std::span<uint8_t> mapPage(bytes.data() + spec.pageSize, spec.pageSize);
  // The global map's page names itself as its owner, as the engine writes it.
  row::DataPageEditor::initialize(spec, mapPage, format::kGlobalUsageMapPage);
  row::DataPageEditor editor(spec, mapPage);
  const size_t mapSize = spec.jet3 ? 133 : 69;
  std::vector<uint8_t> global(mapSize, 0xFF);
  global[0] = 0;  // inline, from page 0
  std::fill(global.begin() + 1, global.begin() + 5, 0);
  global[5] = 0xF8;                         // pages 0-2 in use
  std::vector<uint8_t> second(mapSize, 0);  // a second, empty map the engine keeps beside it
  LF_RETURN_IF_ERROR(editor.addRow(global).ok() ? okStatus() : Error(ErrorKind::Io, "global map"));
  LF_RETURN_IF_ERROR(editor.addRow(second).ok() ? okStatus() : Error(ErrorKind::Io, "global map"));
  return bytes;
}

Status buildSystemTables(const std::shared_ptr<Database::Core>& core, OleDate now) {
  auto definitions = write::systemTableDefinitions(core->header.format);
  // The catalogue stands on page 2; the other definitions take the next pages.
  std::vector<uint32_t> pages = {format::kCatalogTableDefPage};
  for (size_t i = 1; i < definitions.size(); ++i) {
    LF_ASSIGN_OR_RETURN(uint32_t page, core->writing->allocator->allocate());
    pages.push_back(page);
  }
  for (size_t i = 0; i < definitions.size(); ++i) {
    write::layOutColumns(definitions[i]);
    LF_RETURN_IF_ERROR(
        write::storeNewTable(*core, definitions[i], pages[i]).ok() ? okStatus() : Error(ErrorKind::Io, "system table"));
  }
  for (const write::SystemObjectRow& row : write::systemObjects(pages)) {
    int32_t flags = write::kSystemObjectFlags;
    LF_RETURN_IF_ERROR(write::addCatalogRow(core, row.id, row.parentId, row.name, row.type, flags, row.owner, now));
  }
  for (const write::SystemPermission& p : write::systemPermissions(pages)) {
    LF_RETURN_IF_ERROR(write::addPermission(core, p.objectId, p.sid, p.mask, p.inheritable));
  }
  return okStatus();
}

}  // namespace

Status createDatabase(Env& env, const std::string& path, FileFormat format) {
  if (env.exists(path)) return Error(ErrorKind::InvalidArgument, path + ": a file of that name exists already");
  const std::string building = path + ".new";
  const OleDate now = write::oleNow();
  bool madeBuilding = false;  // a file of that name that is not ours is left alone
  Status built = [&]() -> Status {
    LF_ASSIGN_OR_RETURN(std::vector<uint8_t> pages, firstPages(format, now.days));
    {
      LF_ASSIGN_OR_RETURN(std::unique_ptr<File> file, env.open(building, OpenMode::CreateNew));
      madeBuilding = true;
      LF_RETURN_IF_ERROR(file->writeAt(0, pages));
      LF_RETURN_IF_ERROR(file->sync());
    }
    LF_ASSIGN_OR_RETURN(auto db, Database::open(building, OpenOptions{"", true, &env}));
    if (db->isReadOnly()) return Error(ErrorKind::ReadOnly, building + ": " + db->readOnlyReason());
    const std::shared_ptr<Database::Core>& core = DatabaseInternals::core(*db);
    LF_RETURN_IF_ERROR(db->begin());
    Status s = buildSystemTables(core, now);
    if (!s) {
      db->rollback();
      return s;
    }
    return db->commit();
  }();
  if (!built) {
    if (madeBuilding) (void)env.remove(building);
    return built;
  }
  LF_RETURN_IF_ERROR(env.rename(building, path));
  return env.syncFolderOf(path);
}

}  // namespace ledgerfen::db
