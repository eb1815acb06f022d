// Makes a large database for the benchmarks through the engine: copies a
// database holding a table with a Memo column and fills that table with
// ROWS rows in one transaction (a 200-character memo and four numbers each).
//
//   generate_bench_db TEMPLATE OUT ROWS [TABLE]
//
// Prints how long the insert and the commit took.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ledgerfen/database.h"

using namespace ledgerfen;

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: generate_bench_db TEMPLATE OUT ROWS [TABLE]\n");
    return 1;
  }
  std::string out = argv[2];
  long rows = std::stol(argv[3]);
  std::string tableName = argc > 4 ? argv[4] : "test";
  std::filesystem::copy_file(argv[1], out, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(out, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);

  auto db = Database::open(out, OpenOptions{"", true, nullptr});
  if (!db || (*db)->isReadOnly()) {
    std::fprintf(stderr, "cannot open %s for writing\n", out.c_str());
    return 2;
  }
  auto table = (*db)->table(tableName);
  if (!table) {
    std::fprintf(stderr, "%s\n", table.error().message().c_str());
    return 2;
  }
  const TableSchema& schema = table->schema();
  auto start = std::chrono::steady_clock::now();
  if (!(*db)->begin()) return 2;
  std::string memo(200, ' ');
  for (long i = 0; i < rows; ++i) {
    std::vector<Value> values(schema.columns.size());
    for (size_t c = 0; c < schema.columns.size(); ++c) {
      const Column& column = schema.columns[c];
      if (column.type == ColumnType::Memo || column.type == ColumnType::Text) {
        for (size_t k = 0; k < memo.size(); ++k) memo[k] = char('a' + (i * 7 + long(k)) % 26);
        values[c] = column.type == ColumnType::Memo ? memo : memo.substr(0, column.length / 2);
      } else if (column.type == ColumnType::Numeric && c < 5) {
        Decimal d;
        d.low = uint64_t(i * 1000 + long(c));
        values[c] = d;
      } else if (column.type == ColumnType::Long || column.type == ColumnType::Double) {
        values[c] = int32_t(i);
      }
    }
    auto row = table->insertRow(std::move(values));
    if (!row) {
      std::fprintf(stderr, "row %ld: %s\n", i, row.error().message().c_str());
      return 2;
    }
  }
  auto inserted = std::chrono::steady_clock::now();
  Status committed = (*db)->commit();
  auto done = std::chrono::steady_clock::now();
  if (!committed) {
    std::fprintf(stderr, "%s\n", committed.error().message().c_str());
    return 2;
  }
  auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
  std::printf("%ld rows: insert %.2f s, commit %.2f s, file %.1f MB\n", rows, seconds(start, inserted),
              seconds(inserted, done), double(std::filesystem::file_size(out)) / 1e6);
  return 0;
}
