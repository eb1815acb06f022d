// The four tables every database starts with, as the Jet engine creates
// them: MSysObjects (the catalogue), MSysACEs (permissions), MSysQueries
// and MSysRelationships; and the rows a new database holds in them.
#pragma once

#include <vector>

#include "ledgerfen/file_format.h"
#include "tdef/table_definition.h"

namespace ledgerfen::write {

// Definitions in the order their pages are given out (MSysObjects first: it
// must stand on page 2). Layout, maps and pages are filled in when stored.
std::vector<tdef::TableDefinition> systemTableDefinitions(FileFormat format);

struct SystemObjectRow {
  int32_t id;
  int32_t parentId;
  const char* name;
  int16_t type;
  ByteString owner;
};

struct SystemPermission {
  int32_t objectId;
  ByteString sid;
  int32_t mask;
  bool inheritable;
};

// The catalogue rows of a new database: the containers, the database
// object and the four system tables (the ids of tables are their
// definition pages, given in `tablePages` in the order above).
std::vector<SystemObjectRow> systemObjects(const std::vector<uint32_t>& tablePages);
std::vector<SystemPermission> systemPermissions(const std::vector<uint32_t>& tablePages);

}  // namespace ledgerfen::write
