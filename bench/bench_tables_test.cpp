// The databases the benchmarks measure are sound: made from nothing and
// filled in one transaction, they read back as written, pass the integrity
// and index checks, and the independent readers read the same rows. A
// benchmark on a file the engine wrote wrongly would measure nothing.
#include "bench_tables.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <sstream>

#include "canonical/canonical_dump.h"
#include "support/oracles.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

std::string describe(const Value& v) {
  std::ostringstream out;
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>)
          out << "NULL";
        else if constexpr (std::is_same_v<T, std::string>)
          out << '"' << x.substr(0, 60) << '"';
        else if constexpr (std::is_same_v<T, Currency>)
          out << x.units << " units";
        else if constexpr (std::is_same_v<T, OleDate>)
          out << "day " << x.days;
        else if constexpr (std::is_arithmetic_v<T>)
          out << +x;
        else
          out << "(value of variant index " << v.index() << ")";
      },
      v);
  return out.str();
}

// Makes the table with `rows` rows in one transaction and closes the file.
std::string makeDatabase(const test::TempDir& dir, const TableSpec& spec, uint64_t rows,
                         std::vector<Value> (*rowValues)(uint64_t)) {
  const std::string path = dir.path() + "/" + spec.name + ".mdb";
  bench::NewTable made = bench::createDatabaseWithTable(path, FileFormat::Jet4, spec);
  EXPECT_TRUE(made.db->begin().ok());
  for (uint64_t i = 0; i < rows; ++i) {
    auto row = made.table.insertRow(rowValues(i));
    EXPECT_TRUE(row.ok()) << "row " << i << ": " << row.error().message();
  }
  Status committed = made.db->commit();
  EXPECT_TRUE(committed.ok()) << committed.error().message();
  return path;
}

// Every row holds the values `rowValues` made for it, an AutoNumber in
// column `autoNumber` (if any) counting from 1; the checks find nothing
// wrong; mdb-reader and mdbtools read what we read.
void expectSound(const std::string& path, const std::string& tableName, uint64_t rows,
                 std::vector<Value> (*rowValues)(uint64_t), std::optional<size_t> autoNumber) {
  auto db = Database::open(path);
  ASSERT_TRUE(db.ok()) << db.error().message();
  auto table = (*db)->table(tableName);
  ASSERT_TRUE(table.ok()) << table.error().message();
  auto cursor = table->scan();
  ASSERT_TRUE(cursor.ok()) << cursor.error().message();
  Row row;
  uint64_t seen = 0;
  for (;;) {
    auto more = cursor->next(row);
    ASSERT_TRUE(more.ok()) << more.error().message();
    if (!*more) break;
    ASSERT_LT(seen, rows);
    std::vector<Value> expected = rowValues(seen);
    if (autoNumber) expected[*autoNumber] = int32_t(seen + 1);
    ASSERT_EQ(row.values.size(), expected.size());
    for (size_t c = 0; c < expected.size(); ++c) {
      EXPECT_TRUE(sameValue(row.values[c], expected[c]))
          << "row " << seen << ", column " << table->schema().columns[c].name << ": read " << describe(row.values[c])
          << ", wrote " << describe(expected[c]);
    }
    ++seen;
  }
  EXPECT_EQ(seen, rows);

  auto report = (*db)->checkIntegrity(/*strict=*/true);
  ASSERT_TRUE(report.ok()) << report.error().message();
  for (const std::string& p : report->problems) ADD_FAILURE() << p;
  auto indexes = table->checkIndexes();
  ASSERT_TRUE(indexes.ok()) << indexes.error().message();
  for (const IndexCheck& check : *indexes) {
    EXPECT_TRUE(check.sound()) << check.index << ": " << (check.descriptions.empty() ? "" : check.descriptions.front());
    EXPECT_EQ(check.rows, rows) << check.index;
  }

  std::ostringstream dump;
  ASSERT_TRUE(canonical::writeCanonicalDump(**db, dump).ok());
  auto mdbReader = test::mdbReaderAgrees(path, "", dump.str());
  if (!mdbReader.available) GTEST_SKIP() << "the oracles are not installed (script/test installs them)";
  EXPECT_TRUE(mdbReader.agrees) << mdbReader.detail;
  auto mdbtools = test::mdbtoolsAgrees(path, "");
  EXPECT_TRUE(mdbtools.agrees) << mdbtools.detail;
}

// Enough rows for the text index to split its pages several times and for
// some memos to lie on pages of their own.
TEST(BenchDatabases, MixedTableIsSoundAndReadsAsWritten) {
  test::TempDir dir;
  const uint64_t rows = 1000;
  std::string path = makeDatabase(dir, bench::mixedTable("Orders"), rows, bench::mixedRow);
  expectSound(path, "Orders", rows, bench::mixedRow, 0);

  // The index on the text column finds a row by its name, whatever the case.
  auto db = Database::open(path);
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("Orders");
  ASSERT_TRUE(table.ok());
  const uint64_t target = 777;
  const Value name = bench::mixedRow(target)[1];
  ASSERT_FALSE(isNull(name));
  std::string upper = std::get<std::string>(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  auto found = table->find("Name", {Value(upper)});
  ASSERT_TRUE(found.ok()) << found.error().message();
  Row row;
  bool hit = false;
  for (auto more = found->next(row); more.ok() && *more; more = found->next(row)) {
    hit = hit || sameValue(row.values[0], Value(int32_t(target + 1)));
  }
  EXPECT_TRUE(hit) << "the Name index does not find " << std::get<std::string>(name);
}

// Memos of a few characters to several pages each, five to a row.
TEST(BenchDatabases, MemoTableIsSoundAndReadsAsWritten) {
  test::TempDir dir;
  const uint64_t rows = 400;
  std::string path = makeDatabase(dir, bench::memoTable("Memos"), rows, bench::memoRow);
  expectSound(path, "Memos", rows, bench::memoRow, std::nullopt);
}

}  // namespace
}  // namespace ledgerfen
