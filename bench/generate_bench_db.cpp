// Makes a database for the benchmarks from nothing, through the engine: a new
// file with one table, filled with ROWS rows in one transaction.
//
//   generate_bench_db OUT ROWS [--format jet4|ace12] [--table mixed|memos] [--name NAME]
//                     [--indexes all|primary|none]
//
// "mixed" (the default) is a table of every common type with a primary key
// and an index on a text column; "memos" is five Memo columns (see
// bench_tables.h). --indexes leaves out the mixed table's text index, or
// both indexes, to show what keeping them up costs. OUT must not exist. The content depends only on the row
// numbers, so the same arguments make the same rows. Prints the time the
// inserts and the commit took, the file's size and this process's peak
// memory.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "bench_tables.h"

using namespace ledgerfen;
using Clock = std::chrono::steady_clock;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: generate_bench_db OUT ROWS [--format jet4|ace12] [--table mixed|memos] [--name NAME]\n"
               "                         [--indexes all|primary|none]\n");
  return 1;
}

struct Moment {
  Clock::time_point wall;
  std::clock_t cpu;  // processor time of this process
  static Moment now() { return {Clock::now(), std::clock()}; }
};

// "2.50 s (cpu 2.31 s)": on a busy machine the processor time is the steadier figure.
std::string took(const Moment& from, const Moment& to) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f s (cpu %.2f s)", std::chrono::duration<double>(to.wall - from.wall).count(),
                double(to.cpu - from.cpu) / CLOCKS_PER_SEC);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string out = argv[1];
  uint64_t rows = 0;
  try {
    size_t used = 0;
    rows = std::stoull(argv[2], &used);
    if (used != std::string(argv[2]).size()) return usage();
  } catch (const std::exception&) {
    return usage();
  }
  FileFormat format = FileFormat::Jet4;
  std::string kind = "mixed", name, indexes = "all";
  for (int i = 3; i < argc; i += 2) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return usage();
    const std::string value = argv[i + 1];
    if (option == "--format" && (value == "jet4" || value == "ace12")) {
      format = value == "jet4" ? FileFormat::Jet4 : FileFormat::Ace12;
    } else if (option == "--table" && (value == "mixed" || value == "memos")) {
      kind = value;
    } else if (option == "--indexes" && (value == "all" || value == "primary" || value == "none")) {
      indexes = value;
    } else if (option == "--name" && !value.empty()) {
      name = value;
    } else {
      return usage();
    }
  }
  if (name.empty()) name = kind == "mixed" ? "Orders" : "Memos";
  if (std::filesystem::exists(out)) {
    std::fprintf(stderr, "%s exists already; remove it first\n", out.c_str());
    return 1;
  }

  const bool mixed = kind == "mixed";
  TableSpec spec = mixed ? bench::mixedTable(name) : bench::memoTable(name);
  if (indexes != "all") {
    std::erase_if(spec.indexes, [&](const IndexSpec& index) { return indexes == "none" || !index.primaryKey; });
  }
  Moment start, inserted, committed;
  {
    bench::NewTable made = bench::createDatabaseWithTable(out, format, spec);
    start = Moment::now();
    bench::checkOrExit(made.db->begin(), out);
    for (uint64_t i = 0; i < rows; ++i) {
      auto row = made.table.insertRow(mixed ? bench::mixedRow(i) : bench::memoRow(i));
      if (!row) bench::checkOrExit(row.error(), out + ": row " + std::to_string(i));
    }
    inserted = Moment::now();
    bench::checkOrExit(made.db->commit(), out + ": commit");
    committed = Moment::now();
  }  // closing the file removes its lock file and journal

  // The memo table has no index to leave out.
  const std::string shape = mixed ? kind + ", indexes " + indexes : kind;
  std::printf("%s: %llu rows (%s): insert %s, commit %s, file %.1f MB, peak memory %.0f MB\n", out.c_str(),
              static_cast<unsigned long long>(rows), shape.c_str(), took(start, inserted).c_str(),
              took(inserted, committed).c_str(), double(std::filesystem::file_size(out)) / 1e6,
              bench::peakResidentMb());
  return 0;
}
