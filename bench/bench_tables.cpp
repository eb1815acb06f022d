#include "bench_tables.h"

#include <sys/resource.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace ledgerfen::bench {
namespace {

// splitmix64: a fast, well-mixed stream of numbers from one seed.
class Numbers {
 public:
  // The seed is mixed first: seeds 1, 2, 3 would otherwise start streams
  // that are the same numbers shifted by one.
  explicit Numbers(uint64_t seed) : state_(mix(seed + 0x1234567ull)) {}
  uint64_t next() { return mix(state_ += 0x9E3779B97F4A7C15ull); }
  // 0 <= result < bound
  uint64_t below(uint64_t bound) { return next() % bound; }
  bool oneIn(uint64_t n) { return below(n) == 0; }

 private:
  static uint64_t mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint64_t state_;
};

constexpr std::array<std::string_view, 32> kWords = {
    "harbour", "lantern", "granite", "meadow", "copper",  "ledger", "willow",  "orchard", "beacon", "thistle", "quarry",
    "saffron", "timber",  "marble",  "falcon", "juniper", "cobalt", "hollow",  "rivet",   "pepper", "summit",  "canvas",
    "anchor",  "bramble", "cinder",  "dune",   "ember",   "fjord",  "glacier", "hazel",   "indigo", "kestrel"};

// Words separated by blanks, `length` characters in all (the last word cut).
std::string prose(Numbers& numbers, size_t length) {
  std::string text;
  text.reserve(length + 16);
  while (text.size() < length) {
    if (!text.empty()) text += numbers.oneIn(9) ? ". " : " ";
    text += kWords[numbers.below(kWords.size())];
  }
  text.resize(length);
  return text;
}

ColumnSpec column(std::string name, ColumnType type, uint16_t size = 0) {
  ColumnSpec c;
  c.name = std::move(name);
  c.type = type;
  c.size = size;
  return c;
}

}  // namespace

TableSpec mixedTable(const std::string& name) {
  TableSpec spec;
  spec.name = name;
  ColumnSpec id = column("ID", ColumnType::Long);
  id.autoNumber = true;
  spec.columns = {id,
                  column("Name", ColumnType::Text, 50),
                  column("Quantity", ColumnType::Long),
                  column("Price", ColumnType::Double),
                  column("Amount", ColumnType::Currency),
                  column("Created", ColumnType::DateTime),
                  column("Active", ColumnType::Boolean),
                  column("Notes", ColumnType::Memo)};
  IndexSpec primary;
  primary.name = "PrimaryKey";
  primary.columns = {{"ID", true}};
  primary.primaryKey = true;
  IndexSpec byName;
  byName.name = "Name";
  byName.columns = {{"Name", true}};
  spec.indexes = {primary, byName};
  return spec;
}

std::vector<Value> mixedRow(uint64_t row) {
  Numbers numbers(row);
  std::vector<Value> values(8);  // ID stays NULL: the engine numbers it
  if (!numbers.oneIn(50)) {
    std::string name(kWords[numbers.below(kWords.size())]);
    name[0] = char(name[0] - 'a' + 'A');
    name += ' ';
    name += kWords[numbers.below(kWords.size())];
    name += ' ' + std::to_string(numbers.below(1'000'000));
    values[1] = std::move(name);
  }
  if (!numbers.oneIn(20)) values[2] = int32_t(numbers.below(200'000)) - 50'000;
  if (!numbers.oneIn(20)) values[3] = double(numbers.below(100'000'000)) / 7.0 - 1'000'000.0;
  if (!numbers.oneIn(20)) values[4] = Currency{int64_t(numbers.below(20'000'000'000ull)) - 5'000'000'000};
  if (!numbers.oneIn(20)) {
    // A second of a day from 2000-01-01 (day 36526) on, over 25 years.
    double day = double(36526 + numbers.below(25 * 365));
    values[5] = OleDate{day + double(numbers.below(86'400)) / 86'400.0};
  }
  values[6] = numbers.oneIn(3);
  if (!numbers.oneIn(10)) values[7] = prose(numbers, 150 + numbers.below(451));
  return values;
}

TableSpec memoTable(const std::string& name) {
  TableSpec spec;
  spec.name = name;
  for (int i = 1; i <= 5; ++i) spec.columns.push_back(column("Memo" + std::to_string(i), ColumnType::Memo));
  return spec;
}

std::vector<Value> memoRow(uint64_t row) {
  Numbers numbers(row);
  // Shortest and longest length of each column; the last is long in one row of twenty.
  const bool longLast = numbers.oneIn(20);
  const std::array<std::pair<size_t, size_t>, 5> lengths = {
      {{5, 50},
       {50, 300},
       {100, 600},
       {200, 1200},
       longLast ? std::pair<size_t, size_t>{3000, 6000} : std::pair<size_t, size_t>{20, 200}}};
  std::vector<Value> values(5);
  for (size_t c = 0; c < 5; ++c) {
    if (numbers.oneIn(25)) continue;
    auto [low, high] = lengths[c];
    values[c] = prose(numbers, low + numbers.below(high - low + 1));
  }
  return values;
}

NewTable createDatabaseWithTable(const std::string& path, FileFormat format, const TableSpec& spec) {
  checkOrExit(Database::create(path, format), "cannot create " + path);
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  if (!db) checkOrExit(db.error(), "cannot open " + path);
  if ((*db)->isReadOnly()) {
    std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), (*db)->readOnlyReason().c_str());
    std::exit(2);
  }
  auto table = (*db)->createTable(spec);
  if (!table) checkOrExit(table.error(), path + ": cannot create table " + spec.name);
  return NewTable{std::move(*db), std::move(*table)};
}

void checkOrExit(const Status& s, const std::string& what) {
  if (s) return;
  std::fprintf(stderr, "%s: %s\n", what.c_str(), s.error().message().c_str());
  std::exit(2);
}

double peakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace ledgerfen::bench
