// The sample database the build puts beside the program: sound, read the
// same by both independent readers, and showing what the program handles.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "canonical/canonical_dump.h"
#include "ledgerfen/database.h"
#include "support/oracles.h"

namespace ledgerfen {
namespace {

TEST(SampleDatabase, IsSoundAndShowsEveryCommonKindOfValue) {
  auto db = Database::open(LEDGERFEN_SAMPLE_DATABASE);
  ASSERT_TRUE(db.ok()) << db.error().message();
  EXPECT_EQ((*db)->format(), FileFormat::Jet4);
  auto names = (*db)->userTableNames();
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, (std::vector<std::string>{"Customers", "Products", "Orders", "Order Details"}));
  auto report = (*db)->checkIntegrity(/*strict=*/true);
  ASSERT_TRUE(report.ok());
  EXPECT_TRUE(report->problems.empty() && report->notes.empty());

  std::set<ColumnType> types;
  bool nulls = false, nonLatin = false, before1900 = false, textIndex = false, numberIndex = false;
  for (const std::string& name : *names) {
    auto table = (*db)->table(name);
    ASSERT_TRUE(table.ok());
    const TableSchema& schema = table->schema();
    for (const Column& c : schema.columns) types.insert(c.type);
    for (const Index& index : schema.indexes) {
      const ColumnType type = schema.columns[size_t(schema.positionOfNumber(index.columns[0].columnNumber))].type;
      (type == ColumnType::Text ? textIndex : numberIndex) = true;
    }
    auto cursor = table->scan();
    Row row;
    int rows = 0;
    while (cursor->next(row).value()) {
      ++rows;
      for (const Value& v : row.values) {
        nulls |= isNull(v);
        if (auto* text = std::get_if<std::string>(&v)) {
          nonLatin |= std::any_of(text->begin(), text->end(), [](char ch) { return uint8_t(ch) >= 0xE0; });
        }
        if (auto* date = std::get_if<OleDate>(&v)) before1900 |= date->days < 0;
      }
    }
    EXPECT_GE(rows, 10) << name;
  }
  for (ColumnType t : {ColumnType::Boolean, ColumnType::Byte, ColumnType::Integer, ColumnType::Long,
                       ColumnType::Currency, ColumnType::Single, ColumnType::Double, ColumnType::DateTime,
                       ColumnType::Binary, ColumnType::Text, ColumnType::Memo, ColumnType::Guid, ColumnType::Numeric}) {
    EXPECT_TRUE(types.count(t)) << "no column of type " << columnTypeName(t);
  }
  EXPECT_TRUE(nulls && nonLatin && before1900 && textIndex && numberIndex);

  std::ostringstream dump;
  ASSERT_TRUE(canonical::writeCanonicalDump(**db, dump).ok());
  auto mdbReader = test::mdbReaderAgrees(LEDGERFEN_SAMPLE_DATABASE, "", dump.str());
  if (!mdbReader.available) GTEST_SKIP() << "the oracles are not installed (script/test installs them)";
  EXPECT_TRUE(mdbReader.agrees) << mdbReader.detail;
  auto mdbtools = test::mdbtoolsAgrees(LEDGERFEN_SAMPLE_DATABASE, "");
  EXPECT_TRUE(mdbtools.agrees) << mdbtools.detail;
}

}  // namespace
}  // namespace ledgerfen
