// Why a table can only be viewed, as the editor's notice says it: the lock
// file of Access read for its computer and user names, the file found
// beside the database, and tables whose indexes sort text in an order the
// engine cannot make keys for, which the record set then refuses to change.
#include "ledgerfen/data/view_only.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ledgerfen/data/record_set.h"
#include "support/temp_dir.h"

namespace ledgerfen::data {
namespace {

// A slot of a lock file: the two names, each in 32 bytes ended by zeros.
std::string slot(const std::string& computer, const std::string& user) {
  std::string bytes(64, '\0');
  bytes.replace(0, computer.size(), computer);
  bytes.replace(32, user.size(), user);
  return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(LockFile, NamesEveryComputerAndUserItRecordsOnce) {
  test::TempDir dir;
  const std::string path = dir.path() + "/Orders.ldb";
  writeFile(path, slot("PC-OFFICE7", "Admin") + std::string(64, '\0') + slot("LAPTOP", "mireille") +
                      slot("PC-OFFICE7", "Admin") + slot("  ", "ghost") + slot("KAMER\xC9", "Jos") + "tail");
  EXPECT_EQ(readLockFile(path),
            (std::vector<LockHolder>{{"PC-OFFICE7", "Admin"}, {"LAPTOP", "mireille"}, {"KAMER\xC3\x89", "Jos"}}));
  EXPECT_TRUE(readLockFile(dir.path() + "/missing.ldb").empty());
  // A name that runs the whole 32 bytes has no ending zero.
  writeFile(path, slot(std::string(32, 'W'), "u"));
  EXPECT_EQ(readLockFile(path), (std::vector<LockHolder>{{std::string(32, 'W'), "u"}}));
}

TEST(LockFile, IsTheOneBesideTheDatabaseWithItsNameAndTheFormatsEnding) {
  test::TempDir dir;
  EXPECT_FALSE(lockFileBeside(dir.path() + "/Orders.accdb").has_value());
  writeFile(dir.path() + "/Orders.laccdb", slot("PC", "Admin"));
  writeFile(dir.path() + "/Old.ldb", slot("PC", "Admin"));
  EXPECT_EQ(lockFileBeside(dir.path() + "/Orders.accdb"), dir.path() + "/Orders.laccdb");
  EXPECT_EQ(lockFileBeside(dir.path() + "/Old.mdb"), dir.path() + "/Old.ldb");
  EXPECT_FALSE(lockFileBeside(dir.path() + "/Other.mdb").has_value());
}

TEST(ViewOnlyNotice, ALockFileOfAccessNamesItsSessionAndHowToClearIt) {
  test::TempDir dir;
  const std::string database = dir.path() + "/Orders.accdb";
  writeFile(dir.path() + "/Orders.laccdb", slot("PC-OFFICE7", "Admin"));
  const std::string notice = viewOnlyNotice(
      "the database is open in another program (its lock file " + dir.path() + "/Orders.laccdb exists)", database);
  EXPECT_NE(notice.find("open in Access on computer PC-OFFICE7 (user Admin)"), std::string::npos) << notice;
  EXPECT_NE(notice.find("delete Orders.laccdb in the database's folder"), std::string::npos) << notice;
  EXPECT_NE(notice.find("never deletes a lock file by itself"), std::string::npos) << notice;
  EXPECT_TRUE(std::ifstream(dir.path() + "/Orders.laccdb").good());
}

TEST(ViewOnlyNotice, SaysWhyForEachOtherReason) {
  EXPECT_EQ(viewOnlyNotice("the file cannot be written", "/x/a.mdb")
                .rfind("This table opens for viewing only: the "
                       "file cannot be written",
                       0),
            0u);
  EXPECT_NE(viewOnlyNotice("another program is changing the database", "/x/a.mdb")
                .find("another program has the database open for changes. Close the database there"),
            std::string::npos);
  EXPECT_EQ(viewOnlyNotice("the file ends in part of a page, so it may be damaged", "/x/a.mdb"),
            "This table opens for viewing only: the file ends in part of a page, so it may be damaged.");
}

TEST(ViewOnlyTable, AnIndexSortingTextInALanguageOrderMakesTheTableViewOnly) {
  // A table of a Dutch database of Access 97, its text indexed in Dutch order.
  test::TempDir dir;
  const std::string path = dir.copyFixture("dsreader/532_Nieuwezuiderlingedijk.mdb");
  auto connection = std::make_shared<Connection>();
  connection->setMode(ConnectMode::ReadWrite);
  ASSERT_TRUE(connection->open(buildConnectionString(path, "")).ok());
  ASSERT_FALSE(connection->database()->isReadOnly());
  RecordSet records;
  ASSERT_TRUE(records.open(sourceForTable("Aantalsklasse"), connection).ok());
  const std::string reason = records.viewOnlyReason();
  EXPECT_EQ(reason,
            "column Code of index .rC sorts text by the language order LCID 1043, whose index keys this "
            "program cannot make");
  Status updatable = records.checkUpdatable();
  ASSERT_FALSE(updatable.ok());
  EXPECT_EQ(updatable.error().kind(), ErrorKind::ReadOnly);
  EXPECT_EQ(updatable.error().message(), std::string(kReadOnlyMessage) + " (" + reason + ")");
  EXPECT_NE(viewOnlyNotice(reason, path).find("so a change could not keep that index right"), std::string::npos);

  std::vector<Record> rows;
  ASSERT_TRUE(records.read(0, 1, rows).ok());
  std::vector<Value> changed = rows[0].values;
  changed[1] = std::string("other");
  EXPECT_EQ(records.update(rows[0], changed).error().kind(), ErrorKind::ReadOnly);
  EXPECT_EQ(records.addNew(changed).error().kind(), ErrorKind::ReadOnly);
  EXPECT_EQ(records.remove({{0, rows[0]}}).error().kind(), ErrorKind::ReadOnly);

  // Indexes in the General order leave a table writable.
  TableSchema schema;
  schema.indexes = {Index{"Name", {IndexColumn{1, true}}}};
  Column name;
  name.name = "Name";
  name.type = ColumnType::Text;
  name.number = 1;
  name.sortOrder = SortOrder{0x0409, 0};
  schema.columns = {name};
  EXPECT_EQ(unsortableIndexReason(FileFormat::Jet4, schema), "");
  schema.columns[0].sortOrder = SortOrder{0x0409, -1};  // General 97 outside Access 97
  EXPECT_NE(unsortableIndexReason(FileFormat::Jet4, schema), "");
  EXPECT_EQ(unsortableIndexReason(FileFormat::Jet3, schema), "");
}

}  // namespace
}  // namespace ledgerfen::data
