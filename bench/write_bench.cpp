// Write benchmarks, each beside the machine's own limits measured in the same
// run:
//   1. durable single-row updates (one commit each) against one fsync of a page;
//   2. a bulk insert of ROWS small rows in one transaction;
//   3. 20,000 memos of 40 KB in one transaction against writing the same
//      bytes sequentially and syncing once.
//
//   write_bench TEMPLATE WORKDIR [ROWS]
//
// TEMPLATE is a database whose table "test" has a Memo first column (the
// fixture mdb-reader/data/V2003/numeric.mdb has one).
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ledgerfen/database.h"

using namespace ledgerfen;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

std::string copyTemplate(const std::string& from, const std::string& dir, const std::string& name) {
  std::string to = dir + "/" + name;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  return to;
}

std::unique_ptr<Database> openWritable(const std::string& path) {
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  if (!db || (*db)->isReadOnly()) {
    std::fprintf(stderr, "cannot open %s for writing\n", path.c_str());
    std::exit(2);
  }
  return std::move(*db);
}

void check(const Status& s) {
  if (!s) {
    std::fprintf(stderr, "%s\n", s.error().message().c_str());
    std::exit(2);
  }
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
  if (argc < 3) {
    std::fprintf(stderr, "usage: write_bench TEMPLATE WORKDIR [ROWS]\n");
    return 1;
  }
  const std::string templatePath = argv[1], dir = argv[2];
  const long rows = argc > 3 ? std::stol(argv[3]) : 1'000'000;
  std::filesystem::create_directories(dir);

  // 1. Durable single-row updates.
  {
    auto db = openWritable(copyTemplate(templatePath, dir, "updates.mdb"));
    auto table = db->table("test");
    auto row = table->insertRow(memoRow(table->schema(), "first"));
    check(row.ok() ? okStatus() : row.error());
    Row current = *row;
    const int updates = 1000;
    auto start = Clock::now();
    for (int i = 0; i < updates; ++i) {
      std::vector<Value> after = current.values;
      after[0] = "value " + std::to_string(i);
      check(table->updateRow(current.id, current.values, after));
      current.values = std::move(after);
    }
    double each = seconds(start) / updates;
    double sync = oneSync(dir);
    std::printf("durable single-row update: %.3f ms (one fdatasync of a page: %.3f ms; ratio %.1f)\n", each * 1e3,
                sync * 1e3, each / sync);
  }

  // 2. Bulk insert of small rows in one transaction.
  {
    std::string path = copyTemplate(templatePath, dir, "bulk.mdb");
    auto db = openWritable(path);
    auto table = db->table("test");
    auto start = Clock::now();
    check(db->begin());
    for (long i = 0; i < rows; ++i) {
      auto row = table->insertRow(memoRow(table->schema(), "row " + std::to_string(i)));
      check(row.ok() ? okStatus() : row.error());
    }
    check(db->commit());
    double took = seconds(start);
    size_t size = std::filesystem::file_size(path);
    double machine = sequentialWrite(dir, size);
    std::printf("bulk insert of %ld small rows: %.2f s (%.1f MB; writing as many bytes and syncing: %.2f s; ratio %.1f)\n",
                rows, took, double(size) / 1e6, machine, took / machine);
  }

  // 3. 20,000 memos of 40 KB in one transaction.
  {
    std::string path = copyTemplate(templatePath, dir, "memos.mdb");
    auto db = openWritable(path);
    auto table = db->table("test");
    std::string memo(20'000, 'm');  // 40 KB as UTF-16
    auto start = Clock::now();
    check(db->begin());
    for (int i = 0; i < 20'000; ++i) {
      memo[size_t(i) % memo.size()] = char('a' + i % 26);
      auto row = table->insertRow(memoRow(table->schema(), memo));
      check(row.ok() ? okStatus() : row.error());
    }
    check(db->commit());
    double took = seconds(start);
    size_t size = std::filesystem::file_size(path);
    double machine = sequentialWrite(dir, size);
    std::printf("20,000 memos of 40 KB: %.2f s (%.1f MB; writing as many bytes and syncing: %.2f s; ratio %.1f)\n",
                took, double(size) / 1e6, machine, took / machine);
  }
  return 0;
}
