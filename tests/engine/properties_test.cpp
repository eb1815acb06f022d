// Column properties: the Required property Access sets is read from the
// table's property blob and enforced; new tables store it where Access and
// mdbtools find it. Default values are read and taken as Access takes them.
#include <gtest/gtest.h>

#include "db/database_internals.h"
#include "ledgerfen/database.h"
#include "ledgerfen/default_value.h"
#include "ledgerfen/value_text.h"
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

const Column& columnNamed(const TableSchema& schema, const std::string& name) {
  const Column* c = schema.findColumn(name);
  if (!c) throw std::runtime_error("no column " + name);
  return *c;
}

TEST(ColumnProperties, DefaultsOfAccessFilesAreRead) {
  auto db = Database::open(test::fixtureNamed("jackcess/V2003/indexTestV2003.mdb").fullPath());
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Table1");
  ASSERT_TRUE(table.ok());
  const Column& number = columnNamed(table->schema(), "otherfk1");
  EXPECT_EQ(number.defaultValue, "0");
  EXPECT_EQ(defaultValue(number), std::optional<Value>(int32_t(0)));
  EXPECT_EQ(columnNamed(table->schema(), "data").defaultValue, "");
  EXPECT_EQ(defaultValue(columnNamed(table->schema(), "data")), std::nullopt);

  auto ace = Database::open(test::fixtureNamed("mdb-reader/data/V2016/withinsertedcol.accdb").fullPath());
  ASSERT_TRUE(ace.ok());
  auto withBooleans = (*ace)->table("Table1");
  ASSERT_TRUE(withBooleans.ok());
  EXPECT_EQ(defaultValue(columnNamed(withBooleans->schema(), "col1")), std::optional<Value>(false));
}

TEST(DefaultValues, ConstantsAndStampsAreTakenAsAccessTakesThem) {
  auto column = [](ColumnType type, std::string expression) {
    Column c;
    c.name = "C";
    c.type = type;
    c.length = 510;
    c.precision = 18;
    c.scale = 2;
    c.defaultValue = std::move(expression);
    return c;
  };
  auto text = [](const Column& c) {
    auto v = defaultValue(c);
    return v ? formatValueText(c, *v) : std::string("(none)");
  };
  EXPECT_EQ(text(column(ColumnType::Text, "\"say \"\"hi\"\"\"")), "say \"hi\"");
  EXPECT_EQ(text(column(ColumnType::Text, "'single'")), "single");
  EXPECT_EQ(text(column(ColumnType::Text, "=\"with equals\"")), "with equals");
  EXPECT_EQ(text(column(ColumnType::Currency, "12.5")), "12.50");
  EXPECT_EQ(text(column(ColumnType::Double, "-1.5E3")), "-1500");
  EXPECT_EQ(text(column(ColumnType::Numeric, "0")), "0.00");
  EXPECT_EQ(text(column(ColumnType::Boolean, "Yes")), "Yes");
  EXPECT_EQ(text(column(ColumnType::Boolean, "off")), "No");
  EXPECT_EQ(text(column(ColumnType::Integer, "True")), "-1");
  EXPECT_EQ(text(column(ColumnType::DateTime, "#3/1/2024#")), "2024-03-01");
  EXPECT_EQ(text(column(ColumnType::DateTime, "#2024-03-01 9:05#")), "2024-03-01 09:05:00");
  // Stamps are taken at the call; a date alone has no time of day.
  const std::string today = text(column(ColumnType::DateTime, "Date()"));
  EXPECT_EQ(today.size(), 10u) << today;
  EXPECT_EQ(text(column(ColumnType::DateTime, "Now()")).substr(0, 10), today);
  EXPECT_EQ(text(column(ColumnType::DateTime, "Time()")).substr(0, 10), "1899-12-30");
  EXPECT_NE(text(column(ColumnType::Guid, "GenGUID()")), text(column(ColumnType::Guid, "GenGUID()")));
  // Only Access can work out anything else; nor is a value that does not fit taken.
  for (const char* other : {"Null", "[Price]*2", "DMax(\"ID\",\"T\")+1", "\"open", "Date() + 1"}) {
    EXPECT_EQ(text(column(ColumnType::Text, other)), "(none)") << other;
  }
  EXPECT_EQ(text(column(ColumnType::Byte, "300")), "(none)");
  Column counter = column(ColumnType::Long, "0");
  counter.autoNumber = true;
  EXPECT_EQ(text(counter), "(none)");
}

TEST(ColumnProperties, NewTablesKeepTheirRequiredColumns) {
  test::TempDir dir;
  const std::string path = dir.path() + "/required.mdb";
  ASSERT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  {
    auto db = Database::open(path, OpenOptions{"", true, nullptr});
    TableSpec spec{
        "People", {ColumnSpec{"Name", ColumnType::Text, 40}, ColumnSpec{"Nickname", ColumnType::Text, 40}}, {}};
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
      auto sets = props::parsePropertyBlob(*blob, DatabaseInternals::core(**db)->names);
      ASSERT_TRUE(sets.ok()) << path << ": " << sets.error().message();
      auto again = props::parsePropertyBlob(props::encodePropertyBlob(*sets), DatabaseInternals::core(**db)->names);
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
