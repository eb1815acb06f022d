// How many index keys per second the engine makes: numeric keys, and text
// keys under each General sort order for short, accented, Asian and long
// text. Keys are made as a writer makes them, from a row's values.
#include <benchmark/benchmark.h>

#include <random>

#include "index/key_encoder.h"
#include "index/text_key.h"

namespace ledgerfen {
namespace {

Column column(const std::string& name, ColumnType type, uint16_t number, SortOrder order = {}) {
  Column c;
  c.name = name;
  c.type = type;
  c.typeCode = uint8_t(type);
  c.number = number;
  c.sortOrder = order;
  return c;
}

// Rows of (Long, Double, Currency) with an index over all three, the middle one descending.
void NumericKeys(benchmark::State& state) {
  TableSchema schema;
  schema.columns = {column("id", ColumnType::Long, 0), column("price", ColumnType::Double, 1),
                    column("total", ColumnType::Currency, 2)};
  auto encoder = index::KeyEncoder::create(FileFormat::Ace14, schema, {{0, true}, {1, false}, {2, true}});
  std::mt19937_64 random(1);
  std::vector<std::vector<Value>> rows(1024);
  for (auto& row : rows) {
    row = {int32_t(random()), double(int64_t(random() % 2000000) - 1000000) / 7,
           Currency{int64_t(random() % 100000000)}};
  }
  std::vector<uint8_t> key;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(encoder->encodeRow(rows[i++ % rows.size()], key));
  }
  state.counters["keys/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(NumericKeys);

std::vector<std::string> sampleText(int kind) {
  static const char* const kWords[] = {"Anderson", "Baker", "Carter", "Dubois", "Evans", "Fischer", "Garcia", "Hughes"};
  static const char* const kAccented[] = {"Müller", "Ångström", "Ørsted", "Šimůnek", "Łukasiewicz", "Nuñez", "Gödel"};
  static const char* const kAsian[] = {"東京都", "大阪府", "ソフトウェア", "데이터베이스", "北京市海淀区"};
  std::mt19937 random(2);
  std::vector<std::string> out;
  for (int i = 0; i < 256; ++i) {
    std::string s;
    switch (kind) {
      case 0: s = std::string(kWords[random() % 8]) + " " + kWords[random() % 8] + " " + std::to_string(i); break;
      case 1: s = std::string(kAccented[random() % 7]) + "-" + kAccented[random() % 7]; break;
      case 2: s = std::string(kAsian[random() % 5]) + kAsian[random() % 5]; break;
      default:
        while (s.size() < 255) s += std::string(kWords[random() % 8]) + "'s ";
        s.resize(255);
    }
    out.push_back(s);
  }
  return out;
}

// One text column indexed; range(0) picks the sort order, range(1) the text.
void TextKeys(benchmark::State& state) {
  const SortOrder orders[] = {{0x0409, -1}, {0x0409, 0}, {0x0409, 1}};
  const FileFormat formats[] = {FileFormat::Jet3, FileFormat::Jet4, FileFormat::Ace14};
  TableSchema schema;
  schema.columns = {column("name", ColumnType::Text, 0, orders[state.range(0)])};
  auto encoder = index::KeyEncoder::create(formats[state.range(0)], schema, {{0, true}});
  std::vector<std::vector<Value>> rows;
  for (std::string& s : sampleText(int(state.range(1)))) rows.push_back({std::move(s)});
  std::vector<uint8_t> key;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(encoder->encodeRow(rows[i++ % rows.size()], key));
  }
  state.counters["keys/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  static const char* const kOrders[] = {"General 97", "General Legacy", "General"};
  static const char* const kTexts[] = {"names", "accented", "Asian", "255 chars"};
  state.SetLabel(std::string(kOrders[state.range(0)]) + ", " + kTexts[state.range(1)]);
}
BENCHMARK(TextKeys)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}});

}  // namespace
}  // namespace ledgerfen

BENCHMARK_MAIN();
