#include "support/fixtures.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ledgerfen::test {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

}  // namespace

std::string fixtureDir() {
  return LEDGERFEN_FIXTURES_DIR;
}

void PrintTo(const Fixture& fixture, std::ostream* out) {
  *out << fixture.path;
}

std::string Fixture::fullPath() const {
  return fixtureDir() + "/" + path;
}

std::string Fixture::canonicalDumpPath() const {
  std::string canon = fullPath().substr(0, fullPath().rfind('.')) + ".canon.jsonl";
  return std::ifstream(canon).good() ? canon : "";
}

bool Fixture::hasFeature(const std::string& tag) const {
  return ("," + features + ",").find("," + tag) != std::string::npos;
}

std::string Fixture::testName() const {
  std::string name;
  for (char c : path) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

const std::vector<Fixture>& allFixtures() {
  static const std::vector<Fixture> fixtures = [] {
    std::vector<Fixture> out;
    // The test suites of Access-format projects, then the wider set of real
    // files gathered from other projects' test data and sample databases.
    for (const char* manifest : {"MANIFEST.tsv", "MANIFEST-wider.tsv"}) {
      std::ifstream in(fixtureDir() + "/" + manifest);
      if (!in) throw std::runtime_error(std::string("cannot read the fixture ") + manifest + " in " + fixtureDir());
      std::string line;
      std::getline(in, line);  // header
      while (std::getline(in, line)) {
        auto f = splitTabs(line);
        if (f.size() < 11) continue;
        out.push_back(Fixture{f[0], f[2], f[3], f[10]});
      }
    }
    return out;
  }();
  return fixtures;
}

const Fixture& fixtureNamed(const std::string& path) {
  for (const Fixture& f : allFixtures()) {
    if (f.path == path) return f;
  }
  throw std::runtime_error("no fixture " + path);
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string readFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace ledgerfen::test
