// Adds objects to the catalogue: a table's row in MSysObjects and its
// permissions in MSysACEs, as the Jet engine records them.
#pragma once

#include <memory>
#include <string>

#include "db/database_core.h"

namespace ledgerfen::write {

// Well-known catalogue ids.
inline constexpr int32_t kRootContainerId = 0x0F000000;
inline constexpr int32_t kTablesContainerId = 0x0F000001;
inline constexpr int32_t kDatabasesContainerId = 0x0F000002;
inline constexpr int32_t kRelationshipsContainerId = 0x0F000003;
inline constexpr int32_t kDatabaseObjectId = 0x10000000;
inline constexpr int32_t kSystemObjectFlags = int32_t(0x80000000u);

// The current time as an OLE date.
OleDate oleNow();

// Inserts a row of the catalogue: MSysObjects values by column name.
Status addCatalogRow(const std::shared_ptr<Database::Core>& core, int32_t id, int32_t parentId, const std::string& name,
                     int16_t type, int32_t flags, const ByteString& owner, OleDate when);

// Inserts one row of MSysACEs.
Status addPermission(const std::shared_ptr<Database::Core>& core, int32_t objectId, const ByteString& sid, int32_t mask,
                     bool inheritable);

// Registers a new table on `definitionPage`: its catalogue row under the
// Tables container, owned like the container, and the permissions the
// container passes on to the objects made in it.
Status registerTable(const std::shared_ptr<Database::Core>& core, const std::string& name, uint32_t definitionPage);

}  // namespace ledgerfen::write
