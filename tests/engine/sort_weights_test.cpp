// The weights compiled into the engine are the recorded figures, every one.
#include "index/sort_weights.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/fixtures.h"

namespace ledgerfen::index {
namespace {

std::string figuresDir() {
  return test::fixtureDir() + "/../../data/index-codes";
}

std::vector<uint8_t> hexBytes(std::string text) {
  if (text.size() % 2) text.insert(text.begin(), '0');
  std::vector<uint8_t> out;
  for (size_t i = 0; i < text.size(); i += 2) out.push_back(uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

std::vector<std::string> fields(const std::string& rest) {
  std::vector<std::string> out;
  std::stringstream in(rest);
  std::string f;
  while (std::getline(in, f, ',')) out.push_back(f);
  if (!rest.empty() && rest.back() == ',') out.push_back("");
  return out;
}

// Compares the table's entries for code units from `first` on with the lines of `file`.
void expectSameAsFile(const SortWeights& table, const std::string& file, char16_t first) {
  std::ifstream in(figuresDir() + "/" + file);
  ASSERT_TRUE(in) << "cannot read " << file;
  std::string line;
  uint32_t unit = first;
  size_t lines = 0;
  while (std::getline(in, line)) {
    if (unit == 0xD800) unit = 0xE000;  // the files leave surrogates out
    ASSERT_LT(unit, 0x10000u);
    const CharWeights& w = table.at(char16_t(unit));
    std::string where = file + ": U+" + std::to_string(unit) + " " + line;
    auto f = fields(line.substr(1));
    std::vector<uint8_t> primary(table.primary(w).begin(), table.primary(w).end());
    std::vector<uint8_t> extra(table.extra(w).begin(), table.extra(w).end());
    switch (line[0]) {
      case 'X': EXPECT_EQ(w.kind, WeightKind::Ignored) << where; break;
      case 'S':
        EXPECT_EQ(w.kind, WeightKind::Simple) << where;
        EXPECT_EQ(primary, hexBytes(f[0])) << where;
        break;
      case 'G':
        EXPECT_EQ(w.kind, WeightKind::Significant) << where;
        EXPECT_EQ(primary, hexBytes(f[0])) << where;
        break;
      case 'U':
        EXPECT_EQ(w.kind, WeightKind::Unprintable) << where;
        EXPECT_EQ(primary, hexBytes(f[0])) << where;
        break;
      case 'I':
        EXPECT_EQ(w.kind, WeightKind::International) << where;
        EXPECT_EQ(primary, hexBytes(f[0])) << where;
        EXPECT_EQ(extra, hexBytes(f[1])) << where;
        break;
      case 'P':
        EXPECT_EQ(w.kind, WeightKind::ExtraModifier) << where;
        EXPECT_EQ(std::vector<uint8_t>{w.aux}, hexBytes(f[0])) << where;
        break;
      case 'Z':
        EXPECT_EQ(w.kind, WeightKind::Crazy) << where;
        EXPECT_EQ(primary, hexBytes(f[0])) << where;
        EXPECT_EQ(extra, f[1].empty() ? std::vector<uint8_t>{} : hexBytes(f[1])) << where;
        EXPECT_EQ(w.aux, f[2] == "1" ? 2 : 3) << where;
        break;
      default: ADD_FAILURE() << where;
    }
    ++unit;
    ++lines;
  }
  EXPECT_EQ(unit, first == 0 ? 0x100u : 0x10000u) << file << ": " << lines << " lines";
}

TEST(SortWeights, CompiledTablesHoldTheRecordedFigures) {
  expectSameAsFile(general97Weights(), "index_codes_gen_97.txt", 0);
  expectSameAsFile(generalLegacyWeights(), "index_codes_genleg.txt", 0);
  expectSameAsFile(generalLegacyWeights(), "index_codes_ext_genleg.txt", 0x100);
  expectSameAsFile(generalWeights(), "index_codes_gen.txt", 0);
  expectSameAsFile(generalWeights(), "index_codes_ext_gen.txt", 0x100);
  for (char16_t unit = 0xD800; unit != 0xE000; ++unit) {
    ASSERT_EQ(generalWeights().at(unit).kind, WeightKind::Surrogate);
    ASSERT_EQ(generalLegacyWeights().at(unit).kind, WeightKind::Surrogate);
  }
}

TEST(SortWeights, General97MappingsAreTheRecordedOnes) {
  std::ifstream in(figuresDir() + "/index_mappings_ext_gen_97.txt");
  ASSERT_TRUE(in);
  std::string line;
  std::vector<bool> mapped(0x10000);
  while (std::getline(in, line)) {
    auto f = fields(line);
    ASSERT_EQ(f.size(), 2u) << line;
    char16_t from = char16_t(std::stoi(f[0]));
    EXPECT_EQ(general97Equivalent(from), std::stoi(f[1])) << line;
    mapped[from] = true;
  }
  for (uint32_t unit = 0x100; unit < 0x10000; ++unit) {
    if (!mapped[unit]) {
      ASSERT_EQ(general97Equivalent(char16_t(unit)), 0) << unit;
    }
  }
}

}  // namespace
}  // namespace ledgerfen::index
