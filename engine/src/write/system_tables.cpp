#include "write/system_tables.h"

#include "write/catalog_writer.h"

namespace ledgerfen::write {
namespace {

// Column flags of system tables: 0x01 fixed, 0x02 nullable, 0x10 kept by the engine.
constexpr uint8_t kSystemFixed = 0x13;
constexpr uint8_t kSystemVariable = 0x12;
constexpr uint8_t kSystemBinary = 0x32;  // the owner and permission ids (security ids)

struct ColumnFact {
  const char* name;
  ColumnType type;
  uint16_t length;
  uint8_t flags;
};

struct IndexFact {
  const char* name;
  std::vector<uint16_t> columns;  // all ascending
  uint8_t flags;                  // of the stored index
  uint32_t logicalNumber;
  uint32_t realIndex;
  bool primaryKey;
};

tdef::TableDefinition definition(const char* name, const std::vector<ColumnFact>& columns,
                                 const std::vector<IndexFact>& indexes) {
  tdef::TableDefinition def;
  def.schema.name = name;
  def.schema.systemTable = true;
  for (size_t i = 0; i < columns.size(); ++i) {
    Column c;
    c.name = columns[i].name;
    c.type = columns[i].type;
    c.typeCode = uint8_t(columns[i].type);
    c.number = uint16_t(i);
    c.length = columns[i].length;
    c.fixed = columns[i].flags & tdef::kColumnFixed;
    c.nullable = true;
    def.schema.columns.push_back(c);
  }
  def.layout.resize(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) def.layout[i].flags = columns[i].flags;
  def.realIndexes.resize(indexes.size());
  for (const IndexFact& fact : indexes) {
    tdef::RealIndex& real = def.realIndexes[fact.realIndex];
    for (uint16_t number : fact.columns) real.columns.push_back(IndexColumn{number, true});
    real.flags = fact.flags;
    Index logical;
    logical.name = fact.name;
    logical.columns = real.columns;
    logical.realIndex = fact.realIndex;
    logical.primaryKey = fact.primaryKey;
    logical.unique = fact.flags & tdef::kIndexUnique;
    def.schema.indexes.push_back(logical);
    def.logicalNumbers.push_back(fact.logicalNumber);
  }
  return def;
}

ByteString sid(uint8_t a, uint8_t b) {
  return ByteString{a, b};
}

}  // namespace

std::vector<tdef::TableDefinition> systemTableDefinitions(FileFormat) {
  using T = ColumnType;
  return {
      definition("MSysObjects",
                 {{"Id", T::Long, 4, kSystemFixed},
                  {"ParentId", T::Long, 4, kSystemFixed},
                  {"Name", T::Text, 510, kSystemVariable},
                  {"Type", T::Integer, 2, kSystemFixed},
                  {"DateCreate", T::DateTime, 8, kSystemFixed},
                  {"DateUpdate", T::DateTime, 8, kSystemFixed},
                  {"Owner", T::Binary, 510, kSystemBinary},
                  {"Flags", T::Long, 4, kSystemFixed},
                  {"Database", T::Memo, 0, kSystemVariable},
                  {"Connect", T::Memo, 0, kSystemVariable},
                  {"ForeignName", T::Text, 510, kSystemVariable},
                  {"RmtInfoShort", T::Binary, 510, kSystemVariable},
                  {"RmtInfoLong", T::Ole, 0, kSystemVariable},
                  {"Lv", T::Ole, 0, kSystemVariable},
                  {"LvProp", T::Ole, 0, kSystemVariable},
                  {"LvModule", T::Ole, 0, kSystemVariable},
                  {"LvExtra", T::Ole, 0, kSystemVariable}},
                 {{"Id", {0}, 0x81, 1, 1, true}, {"ParentIdName", {1, 2}, 0x81, 0, 0, false}}),
      definition("MSysACEs",
                 {{"ObjectId", T::Long, 4, kSystemFixed},
                  {"SID", T::Binary, 510, kSystemBinary},
                  {"ACM", T::Long, 4, kSystemFixed},
                  {"FInheritable", T::Boolean, 1, kSystemFixed}},
                 {{"ObjectId", {0}, 0x88, 0, 0, false}}),
      definition("MSysQueries",
                 {{"ObjectId", T::Long, 4, kSystemFixed},
                  {"Attribute", T::Byte, 1, kSystemFixed},
                  {"Order", T::Binary, 510, kSystemVariable},
                  {"Name1", T::Text, 510, kSystemVariable},
                  {"Name2", T::Text, 510, kSystemVariable},
                  {"Expression", T::Memo, 0, kSystemVariable},
                  {"Flag", T::Integer, 2, kSystemFixed},
                  {"LvExtra", T::Long, 4, kSystemFixed}},
                 {{"ObjectIdAttribute", {0, 1, 2}, 0x81, 0, 0, true}}),
      definition("MSysRelationships",
                 {{"szRelationship", T::Text, 510, kSystemVariable},
                  {"grbit", T::Long, 4, kSystemFixed},
                  {"ccolumn", T::Long, 4, kSystemFixed},
                  {"icolumn", T::Long, 4, kSystemFixed},
                  {"szObject", T::Text, 510, kSystemVariable},
                  {"szColumn", T::Text, 510, kSystemVariable},
                  {"szReferencedObject", T::Text, 510, kSystemVariable},
                  {"szReferencedColumn", T::Text, 510, kSystemVariable}},
                 {{"szObject", {4}, 0x82, 1, 1, false},
                  {"szReferencedObject", {6}, 0x82, 2, 2, false},
                  {"szRelationship", {0}, 0x82, 0, 0, false}}),
  };
}

// The security ids the engine records in a new database: the owner of the
// containers and tables, the owner of the database object, and two
// accounts given permissions.
static const ByteString kObjectOwner = sid(0x65, 0x89);
static const ByteString kDatabaseOwner = sid(0x64, 0x8B);
static const ByteString kInheritingAccount = sid(0x65, 0x8E);
static const ByteString kPermittedAccount = sid(0x65, 0x8B);

std::vector<SystemObjectRow> systemObjects(const std::vector<uint32_t>& pages) {
  return {
      {kTablesContainerId, kRootContainerId, "Tables", 3, kObjectOwner},
      {kDatabasesContainerId, kRootContainerId, "Databases", 3, kObjectOwner},
      {kRelationshipsContainerId, kRootContainerId, "Relationships", 3, kObjectOwner},
      {kDatabaseObjectId, kDatabasesContainerId, "MSysDb", 2, kDatabaseOwner},
      {int32_t(pages[0]), kTablesContainerId, "MSysObjects", 1, kObjectOwner},
      {int32_t(pages[1]), kTablesContainerId, "MSysACEs", 1, kObjectOwner},
      {int32_t(pages[2]), kTablesContainerId, "MSysQueries", 1, kObjectOwner},
      {int32_t(pages[3]), kTablesContainerId, "MSysRelationships", 1, kObjectOwner},
  };
}

std::vector<SystemPermission> systemPermissions(const std::vector<uint32_t>& pages) {
  const ByteString& creator = kDatabaseOwner;
  const ByteString& engine = kInheritingAccount;
  const ByteString& admins = kPermittedAccount;
  const int32_t objects = int32_t(pages[0]), aces = int32_t(pages[1]), queries = int32_t(pages[2]),
                relationships = int32_t(pages[3]);
  return {
      {objects, creator, 393216, false},
      {aces, creator, 393216, false},
      {queries, creator, 393216, false},
      {relationships, creator, 917504, false},
      {kTablesContainerId, engine, 983294, true},
      {kTablesContainerId, creator, 393217, false},
      {kRelationshipsContainerId, engine, 983294, true},
      {kRelationshipsContainerId, creator, 393217, false},
      {kDatabasesContainerId, creator, 393216, false},
      {kDatabaseObjectId, creator, 393230, false},
      {kDatabaseObjectId, admins, 14, false},
      {queries, admins, 20, false},
      {relationships, admins, 20, false},
      {objects, admins, 20, false},
      {kTablesContainerId, admins, 1048319, true},
      {kRelationshipsContainerId, admins, 1048575, true},
  };
}

}  // namespace ledgerfen::write
