// libFuzzer target for the write path: a copy of a small fixture, in memory,
// and a short program of inserts, updates, deletes and transactions decoded
// from the input, with values of every kind (of the column's type or not,
// NULL, too long). Every change either succeeds or is refused with an error
// value; afterwards the file opens, every row reads, and the integrity check
// finds nothing it did not find in the fixture. Anything else is a bug.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ledgerfen/database.h"
#include "support/memory_env.h"

namespace ledgerfen {
namespace {

struct Fixture {
  std::string name;
  std::vector<uint8_t> bytes;
  std::set<std::string> problems;  // what the check finds in the file as it is
};

// Small files of every format with indexes, relationships, long values and
// fixed-length text.
const char* const kFixtures[] = {
    "jackcess/V1997/compIndexTestV1997.mdb", "jackcess/V2000/testPromotionV2000.mdb",
    "jackcess/V2003/fixedTextTestV2003.mdb", "jackcess/V2007/indexTestV2007.accdb",
    "jackcess/V2010/indexTestV2010.accdb",   "ucanaccess/badDb.accdb",
};

std::set<std::string> problemsOf(Database& db) {
  auto report = db.checkIntegrity();
  if (!report) return {"the check failed: " + report.error().message()};
  return {report->problems.begin(), report->problems.end()};
}

const std::vector<Fixture>& fixtures() {
  static const std::vector<Fixture> loaded = [] {
    std::vector<Fixture> out;
    for (const char* name : kFixtures) {
      std::ifstream in(std::string(LEDGERFEN_FIXTURES_DIR) + "/" + name, std::ios::binary);
      Fixture f{name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), {}};
      if (f.bytes.empty()) continue;
      auto db = Database::openBytes(name, f.bytes);
      if (!db) continue;
      f.problems = problemsOf(**db);
      out.push_back(std::move(f));
    }
    if (out.empty()) {
      std::fprintf(stderr, "no fixtures found in %s\n", LEDGERFEN_FIXTURES_DIR);
      std::abort();
    }
    return out;
  }();
  return loaded;
}

// A value for `column`: mostly of its type, sometimes NULL, of another kind,
// or out of its range, so that refusals are exercised too.
Value fuzzedValue(FuzzedDataProvider& in, const Column& column) {
  switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: return std::monostate{};
    case 1: return in.ConsumeRandomLengthString(300);  // text, whatever the column
    case 2: return in.ConsumeIntegral<int64_t>();
    default: break;
  }
  switch (column.type) {
    case ColumnType::Boolean: return in.ConsumeBool();
    case ColumnType::Byte: return in.ConsumeIntegral<uint8_t>();
    case ColumnType::Integer: return in.ConsumeIntegral<int16_t>();
    case ColumnType::Long: return in.ConsumeIntegral<int32_t>();
    case ColumnType::BigInt: return in.ConsumeIntegral<int64_t>();
    case ColumnType::Currency: return Currency{in.ConsumeIntegral<int64_t>()};
    case ColumnType::Single: return in.ConsumeFloatingPoint<float>();
    case ColumnType::Double: return in.ConsumeFloatingPoint<double>();
    case ColumnType::DateTime: return OleDate{in.ConsumeFloatingPointInRange<double>(-657434.0, 2958465.0)};
    case ColumnType::DateTimeExt:
      return ExtendedDate{in.ConsumeIntegralInRange<uint64_t>(0, 3652058), in.ConsumeIntegral<uint64_t>()};
    case ColumnType::Guid: {
      Guid g;
      for (uint8_t& b : g.bytes) b = in.ConsumeIntegral<uint8_t>();
      return g;
    }
    case ColumnType::Numeric: {
      Decimal d;
      d.negative = in.ConsumeBool();
      d.scale = in.ConsumeIntegralInRange<uint8_t>(0, 28);
      d.low = in.ConsumeIntegral<uint64_t>();
      d.high = in.ConsumeIntegral<uint32_t>();
      return d;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
      // Long texts now and then, to move rows and values out of line.
      size_t length = in.ConsumeIntegralInRange<size_t>(0, 8) == 0 ? in.ConsumeIntegralInRange<size_t>(0, 20000) : 40;
      std::string text = in.ConsumeRandomLengthString(length);
      if (text.size() < length && in.ConsumeBool()) text.append(length - text.size(), 'x');
      return text;
    }
    default: {
      std::string bytes = in.ConsumeRandomLengthString(in.ConsumeIntegralInRange<size_t>(0, 5000));
      return ByteString(bytes.begin(), bytes.end());
    }
  }
}

// Runs the program; a refused change is fine, a crash or a thrown exception is not.
void runProgram(FuzzedDataProvider& in, Database& db) {
  auto names = db.userTableNames();
  if (!names || names->empty()) return;
  std::map<std::string, std::vector<Row>> seen;  // rows read or written, per table
  bool inTransaction = false;
  for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
    const std::string& name = (*names)[in.ConsumeIntegralInRange<size_t>(0, names->size() - 1)];
    auto table = db.table(name);
    if (!table) continue;
    std::vector<Row>& rows = seen[name];
    if (rows.empty()) {
      auto cursor = table->scan();
      Row row;
      for (int n = 0; cursor && n < 20; ++n) {
        auto more = cursor->next(row);
        if (!more || !*more) break;
        rows.push_back(row);
      }
    }
    const auto& columns = table->schema().columns;
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
      case 0:
      case 1: {
        std::vector<Value> values;
        for (const Column& c : columns) values.push_back(fuzzedValue(in, c));
        if (auto row = table->insertRow(std::move(values)); row) rows.push_back(*row);
        break;
      }
      case 2: {
        if (rows.empty()) break;
        size_t at = in.ConsumeIntegralInRange<size_t>(0, rows.size() - 1);
        std::vector<Value> after = rows[at].values;
        size_t column = in.ConsumeIntegralInRange<size_t>(0, columns.size() - 1);
        after[column] = fuzzedValue(in, columns[column]);
        if (table->updateRow(rows[at].id, rows[at].values, after)) {
          auto stored = table->readRow(rows[at].id);
          if (stored) rows[at] = *stored;
        }
        break;
      }
      case 3: {
        if (rows.empty()) break;
        size_t at = in.ConsumeIntegralInRange<size_t>(0, rows.size() - 1);
        if (table->deleteRow(rows[at].id, rows[at].values)) rows.erase(rows.begin() + long(at));
        break;
      }
      default:
        if (!inTransaction) {
          inTransaction = db.begin().ok();
        } else if (in.ConsumeBool()) {
          (void)db.commit();
          inTransaction = false;
        } else {
          db.rollback();
          inTransaction = false;
          seen.clear();  // the rows read since may be gone
        }
    }
  }
  if (inTransaction) (void)db.commit();
}

}  // namespace
}  // namespace ledgerfen

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ledgerfen;
  FuzzedDataProvider in(data, size);
  const auto& all = fixtures();
  const Fixture& fixture = all[in.ConsumeIntegralInRange<size_t>(0, all.size() - 1)];
  test::MemoryEnv env;
  const std::string path = "/fuzz/" + fixture.name.substr(fixture.name.rfind('/') + 1);
  env.put(path, fixture.bytes);
  {
    auto db = Database::open(path, OpenOptions{"", true, &env});
    if (!db) return 0;
    runProgram(in, **db);
  }
  auto db = Database::open(path, OpenOptions{"", false, &env});
  if (!db) {
    std::fprintf(stderr, "the written file does not open: %s\n", db.error().message().c_str());
    std::abort();
  }
  for (const std::string& problem : problemsOf(**db)) {
    if (!fixture.problems.count(problem)) {
      std::fprintf(stderr, "%s: %s\n", fixture.name.c_str(), problem.c_str());
      std::abort();
    }
  }
  return 0;
}
