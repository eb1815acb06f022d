// Write benchmarks, each beside the machine's own limits measured in the same
// run:
//   1. durable single-row updates (one commit each) against one fsync of a page;
//   2. a bulk insert of ROWS small rows in one transaction;
//   3. 20,000 memos of 20,000 characters in one transaction against writing
//      the same bytes sequentially and syncing once.
//
//   write_bench WORKDIR [ROWS]
//
// Each part makes its own new Jet4 database in WORKDIR (removing one left by
// an earlier run) with a table "test" of a Memo column and a Long column.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_tables.h"

using namespace ledgerfen;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// A new database in `dir` holding the empty table "test" (Notes Memo, Count Long).
bench::NewTable freshDatabase(const std::string& dir, const std::string& name) {
  const std::string path = dir + "/" + name;
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-journal");  // the journal of the file just removed
  TableSpec spec;
  spec.name = "test";
  ColumnSpec notes, count;
  notes.name = "Notes";
  notes.type = ColumnType::Memo;
  count.name = "Count";
  count.type = ColumnType::Long;
  spec.columns = {notes, count};
  return bench::createDatabaseWithTable(path, FileFormat::Jet4, spec);
}

void check(const Status& s) {
  bench::checkOrExit(s, "write_bench");
}

// The machine's cost of making one page durable: write 4 KB, then fdatasync.
double oneSync(const std::string& dir) {
  std::string path = dir + "/sync-probe";
  int fd = ::open(path.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
  std::vector<char> page(4096, 'x');
  const int rounds = 200;
  auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (::pwrite(fd, page.data(), page.size(), 0) < 0 || ::fdatasync(fd) != 0) break;
  }
  double each = seconds(start) / rounds;
  ::close(fd);
  std::filesystem::remove(path);
  return each;
}

// The machine's cost of writing `bytes` sequentially and syncing once.
double sequentialWrite(const std::string& dir, size_t bytes) {
  std::string path = dir + "/write-probe";
  int fd = ::open(path.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
  std::vector<char> block(1 << 20, 'y');
  auto start = Clock::now();
  for (size_t done = 0; done < bytes; done += block.size()) {
    if (::write(fd, block.data(), std::min(block.size(), bytes - done)) < 0) break;
  }
  ::fdatasync(fd);
  double took = seconds(start);
  ::close(fd);
  std::filesystem::remove(path);
  return took;
}

std::vector<Value> memoRow(const TableSchema& schema, std::string memo) {
  std::vector<Value> values(schema.columns.size());
  values[0] = std::move(memo);
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: write_bench WORKDIR [ROWS]\n");
    return 1;
  }
  const std::string dir = argv[1];
  const long rows = argc > 2 ? std::stol(argv[2]) : 1'000'000;
  std::filesystem::create_directories(dir);

  // 1. Durable single-row updates.
  {
    bench::NewTable made = freshDatabase(dir, "updates.mdb");
    auto row = made.table.insertRow(memoRow(made.table.schema(), "first"));
    check(row.ok() ? okStatus() : row.error());
    Row current = *row;
    const int updates = 1000;
    auto start = Clock::now();
    for (int i = 0; i < updates; ++i) {
      std::vector<Value> after = current.values;
      after[0] = "value " + std::to_string(i);
      check(made.table.updateRow(current.id, current.values, after));
      current.values = std::move(after);
    }
    double each = seconds(start) / updates;
    double sync = oneSync(dir);
    std::printf("durable single-row update: %.3f ms (one fdatasync of a page: %.3f ms; ratio %.1f)\n", each * 1e3,
                sync * 1e3, each / sync);
  }

  // 2. Bulk insert of small rows in one transaction.
  {
    bench::NewTable made = freshDatabase(dir, "bulk.mdb");
    auto start = Clock::now();
    check(made.db->begin());
    for (long i = 0; i < rows; ++i) {
      auto row = made.table.insertRow(memoRow(made.table.schema(), "row " + std::to_string(i)));
      check(row.ok() ? okStatus() : row.error());
    }
    check(made.db->commit());
    double took = seconds(start);
    size_t size = std::filesystem::file_size(made.db->path());
    double machine = sequentialWrite(dir, size);
    std::printf(
        "bulk insert of %ld small rows: %.2f s (%.1f MB; writing as many bytes and syncing: %.2f s; ratio %.1f)\n",
        rows, took, double(size) / 1e6, machine, took / machine);
  }

  // 3. 20,000 memos of 20,000 characters in one transaction.
  {
    bench::NewTable made = freshDatabase(dir, "memos.mdb");
    std::string memo(20'000, 'm');
    auto start = Clock::now();
    check(made.db->begin());
    for (int i = 0; i < 20'000; ++i) {
      memo[size_t(i) % memo.size()] = char('a' + i % 26);
      auto row = made.table.insertRow(memoRow(made.table.schema(), memo));
      check(row.ok() ? okStatus() : row.error());
    }
    check(made.db->commit());
    double took = seconds(start);
    size_t size = std::filesystem::file_size(made.db->path());
    double machine = sequentialWrite(dir, size);
    std::printf(
        "20,000 memos of 20,000 characters: %.2f s (%.1f MB; writing as many bytes and syncing: %.2f s; ratio %.1f)\n",
        took, double(size) / 1e6, machine, took / machine);
  }
  return 0;
}
