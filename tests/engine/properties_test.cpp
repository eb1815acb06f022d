// Column properties: the Required property Access sets is read from the
// table's property blob and enforced; new tables store it where Access and
// mdbtools find it.
#include <gtest/gtest.h>

#include "db/database_core.h"
#include "ledgerfen/database.h"
#include "props/property_blob.h"
#include "support/fixtures.h"
#include "support/oracles.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

constexpr const char* kRequiredMessage =
    "cannot contain a Null value because the Required property for this field is set to True. Enter a value in this "
    "field.";

bool refusedAsRequired(const Error& e, const std::string& field) {
  return e.kind() == ErrorKind::Constraint &&
         e.message().find("The field '" + field + "' " + kRequiredMessage) != std::string::npos;
}

TEST(ColumnProperties, RequiredColumnsOfAnAccessFileRefuseNull) {
  test::TempDir dir;
  const std::string path = dir.copyFixture("jackcess/V2003/fixedTextTestV2003.mdb");
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  ASSERT_TRUE(db.ok());
  auto users = (*db)->table("users");
  ASSERT_TRUE(users.ok());
  for (const Column& c : users->schema().columns) EXPECT_FALSE(c.nullable) << c.name;

  auto cursor = users->scan();
  Row row;
  ASSERT_TRUE(cursor->next(row).value());
  std::vector<Value> after = row.values;
  after[1] = Value();
  Status s = users->updateRow(row.id, row.values, after);
  ASSERT_FALSE(s.ok());
  EXPECT_TRUE(refusedAsRequired(s.error(), "users.c_user_login")) << s.error().message();
  auto inserted = users->insertRow(std::vector<Value>(users->schema().columns.size()));
  ASSERT_FALSE(inserted.ok());
  EXPECT_EQ(inserted.error().kind(), ErrorKind::Constraint);

  // A table without the property takes NULL as before.
  auto other = (*db)->table("MSysCompactError");
  if (other.ok()) {
    for (const Column& c : other->schema().columns) EXPECT_TRUE(c.nullable) << c.name;
  }
}

TEST(ColumnProperties, NewTablesKeepTheirRequiredColumns) {
  test::TempDir dir;
  const std::string path = dir.path() + "/required.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  {
    auto db = Database::open(path, OpenOptions{"", true, nullptr});
    TableSpec spec{"People", {ColumnSpec{"Name", ColumnType::Text, 40}, ColumnSpec{"Nickname", ColumnType::Text, 40}}, {}};
    spec.columns[0].required = true;
    ASSERT_TRUE((*db)->createTable(spec).ok());
  }
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  auto people = (*db)->table("People");
  ASSERT_TRUE(people.ok());
  EXPECT_FALSE(people->schema().columns[0].nullable);
  EXPECT_TRUE(people->schema().columns[1].nullable);
  auto refused = people->insertRow({Value(), Value(std::string("Bo"))});
  ASSERT_FALSE(refused.ok());
  EXPECT_TRUE(refusedAsRequired(refused.error(), "People.Name")) << refused.error().message();
  EXPECT_TRUE(people->insertRow({Value(std::string("Robert")), Value()}).ok());

  const std::string mdbProp = test::mdbtoolsProperties(path, "People");
  if (mdbProp.empty()) GTEST_SKIP() << "mdbtools is not installed";
  const size_t name = mdbProp.find("name: Name");
  ASSERT_NE(name, std::string::npos) << mdbProp;
  EXPECT_NE(mdbProp.find("Required: yes", name), std::string::npos) << mdbProp;
  EXPECT_EQ(mdbProp.find("name: Nickname"), std::string::npos) << mdbProp;
}

// Blobs of Access files read back the same after they are written again.
TEST(ColumnProperties, BlobsOfAccessFilesSurviveARoundTrip) {
  int blobs = 0;
  for (const char* path : {"jackcess/V2003/fixedTextTestV2003.mdb", "jackcess/V2010/fixedTextTestV2010.accdb",
                           "mdb-reader/data/V2016/withdeletedcol.accdb"}) {
    auto db = Database::open(test::fixtureNamed(path).fullPath());
    ASSERT_TRUE(db.ok());
    auto catalog = (*db)->table("MSysObjects");
    const int lvProp = catalog->schema().positionOfNumber(catalog->schema().findColumn("LvProp")->number);
    auto cursor = catalog->scan();
    Row row;
    while (cursor->next(row).value()) {
      const auto* blob = std::get_if<ByteString>(&row.values[size_t(lvProp)]);
      if (!blob) continue;
      auto sets = props::parsePropertyBlob(*blob, (*db)->core()->names);
      ASSERT_TRUE(sets.ok()) << path << ": " << sets.error().message();
      auto again = props::parsePropertyBlob(props::encodePropertyBlob(*sets), (*db)->core()->names);
      ASSERT_TRUE(again.ok());
      ASSERT_EQ(again->size(), sets->size());
      for (size_t i = 0; i < sets->size(); ++i) {
        EXPECT_EQ((*again)[i].objectName, (*sets)[i].objectName);
        ASSERT_EQ((*again)[i].properties.size(), (*sets)[i].properties.size());
        for (size_t k = 0; k < (*sets)[i].properties.size(); ++k) {
          EXPECT_EQ((*again)[i].properties[k].name, (*sets)[i].properties[k].name);
          EXPECT_EQ((*again)[i].properties[k].value, (*sets)[i].properties[k].value);
        }
      }
      ++blobs;
    }
  }
  EXPECT_GT(blobs, 10);
}

TEST(ColumnProperties, DamagedBlobsAreErrorsNotCrashes) {
  tdef::NameDecoder names;
  ByteString blob = props::encodePropertyBlob({props::requiredColumn("Name")});
  for (size_t cut = 0; cut < blob.size(); ++cut) {
    ByteString shorter(blob.begin(), blob.begin() + long(cut));
    (void)props::parsePropertyBlob(shorter, names);
  }
  for (size_t at = 0; at < blob.size(); ++at) {
    ByteString flipped = blob;
    flipped[at] ^= 0xFF;
    (void)props::parsePropertyBlob(flipped, names);
  }
  EXPECT_FALSE(props::parsePropertyBlob(ByteString{'X', 'Y', 'Z', 0}, names).ok());
}

}  // namespace
}  // namespace ledgerfen
