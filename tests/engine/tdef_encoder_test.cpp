// Table definitions written by the engine read back as they were: every
// definition of every fixture, system tables included, survives a round trip.
#include "tdef/tdef_encoder.h"

#include <gtest/gtest.h>

#include "db/database_internals.h"
#include "support/fixtures.h"

namespace ledgerfen {
namespace {

void expectSameDefinition(const tdef::TableDefinition& a, const tdef::TableDefinition& b, const std::string& where) {
  ASSERT_EQ(a.schema.columns.size(), b.schema.columns.size()) << where;
  for (size_t i = 0; i < a.schema.columns.size(); ++i) {
    const Column &x = a.schema.columns[i], &y = b.schema.columns[i];
    std::string at = where + " column " + x.name;
    EXPECT_EQ(x.name, y.name) << at;
    EXPECT_EQ(x.typeCode, y.typeCode) << at;
    EXPECT_EQ(x.number, y.number) << at;
    EXPECT_EQ(x.length, y.length) << at;
    EXPECT_EQ(x.fixed, y.fixed) << at;
    EXPECT_EQ(x.compressedUnicode, y.compressedUnicode) << at;
    EXPECT_EQ(x.calculated, y.calculated) << at;
    EXPECT_EQ(x.autoNumber, y.autoNumber) << at;
    EXPECT_EQ(x.precision, y.precision) << at;
    EXPECT_EQ(x.scale, y.scale) << at;
    EXPECT_EQ(x.complexId, y.complexId) << at;
    if (x.type == ColumnType::Text || x.type == ColumnType::Memo) {
      EXPECT_EQ(x.sortOrder, y.sortOrder) << at;
    }
    EXPECT_EQ(a.layout[i].varIndex, b.layout[i].varIndex) << at;
    if (x.fixed) {
      EXPECT_EQ(a.layout[i].fixedOffset, b.layout[i].fixedOffset) << at;
    }
  }
  ASSERT_EQ(a.realIndexes.size(), b.realIndexes.size()) << where;
  for (size_t i = 0; i < a.realIndexes.size(); ++i) {
    EXPECT_EQ(a.realIndexes[i].columns.size(), b.realIndexes[i].columns.size()) << where;
    EXPECT_EQ(a.realIndexes[i].rootPage, b.realIndexes[i].rootPage) << where;
    EXPECT_EQ(a.realIndexes[i].usageMap.packed(), b.realIndexes[i].usageMap.packed()) << where;
    EXPECT_EQ(a.realIndexes[i].flags, b.realIndexes[i].flags) << where;
    EXPECT_EQ(a.realIndexes[i].uniqueEntryCount, b.realIndexes[i].uniqueEntryCount) << where;
  }
  ASSERT_EQ(a.schema.indexes.size(), b.schema.indexes.size()) << where;
  for (size_t i = 0; i < a.schema.indexes.size(); ++i) {
    EXPECT_EQ(a.schema.indexes[i].name, b.schema.indexes[i].name) << where;
    EXPECT_EQ(a.schema.indexes[i].realIndex, b.schema.indexes[i].realIndex) << where;
    EXPECT_EQ(a.schema.indexes[i].primaryKey, b.schema.indexes[i].primaryKey) << where;
    EXPECT_EQ(a.schema.indexes[i].foreignKey, b.schema.indexes[i].foreignKey) << where;
  }
  EXPECT_EQ(a.logicalNumbers, b.logicalNumbers) << where;
  ASSERT_EQ(a.relationships.size(), b.relationships.size()) << where;
  for (size_t i = 0; i < a.relationships.size(); ++i) {
    EXPECT_EQ(a.relationships[i].otherTable, b.relationships[i].otherTable) << where;
    EXPECT_EQ(a.relationships[i].referencing, b.relationships[i].referencing) << where;
    EXPECT_EQ(a.relationships[i].cascadeDeletes, b.relationships[i].cascadeDeletes) << where;
  }
  ASSERT_EQ(a.longValueMaps.size(), b.longValueMaps.size()) << where;
  EXPECT_EQ(a.ownedPages.packed(), b.ownedPages.packed()) << where;
  EXPECT_EQ(a.freePages.packed(), b.freePages.packed()) << where;
  EXPECT_EQ(a.maxColumns, b.maxColumns) << where;
  EXPECT_EQ(a.autoNumber, b.autoNumber) << where;
  EXPECT_EQ(a.schema.rowCount, b.schema.rowCount) << where;
  EXPECT_EQ(a.schema.systemTable, b.schema.systemTable) << where;
}

TEST(TableDefinitionEncoder, EveryFixtureDefinitionSurvivesARoundTrip) {
  int definitions = 0;
  for (const test::Fixture& fixture : test::allFixtures()) {
    auto db = Database::open(fixture.fullPath(), OpenOptions{fixture.password, false, nullptr});
    if (!db) continue;
    auto entries = (*db)->catalog();
    if (!entries) continue;
    for (const CatalogEntry& e : *entries) {
      if (!e.isLocalTable()) continue;
      auto t = (*db)->table(e.name);
      if (!t) continue;
      const std::shared_ptr<Database::Core>& core = DatabaseInternals::core(**db);
      auto def = core->definition(e.definitionPage(), e.name);
      ASSERT_TRUE(def.ok());
      auto bytes = tdef::encodeTableDefinition(*core->spec, **def, core->codePage.get());
      ASSERT_TRUE(bytes.ok()) << bytes.error().message();
      auto back = tdef::parseTableDefinition(*core->spec, core->names, *bytes);
      ASSERT_TRUE(back.ok()) << fixture.path << " " << e.name << ": " << back.error().message();
      back->schema.name = e.name;
      expectSameDefinition(**def, *back, fixture.path + " " + e.name);
      ++definitions;
    }
  }
  EXPECT_GT(definitions, 500);
}

}  // namespace
}  // namespace ledgerfen
