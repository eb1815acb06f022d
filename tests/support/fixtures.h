// The Access files that tests read from the shared fixture folder (both
// manifests: the format projects' test files and the wider set of real
// files), with what their manifest says about each.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace ledgerfen::test {

struct Fixture {
  std::string path;      // relative to the fixture folder
  std::string format;    // "jet3", "ace14", ...
  std::string password;  // empty when none
  std::string features;  // comma-separated feature tags

  std::string fullPath() const;
  // The canonical dump beside the file ("" when there is none).
  std::string canonicalDumpPath() const;
  bool hasFeature(const std::string& tag) const;
  // A name usable as a gtest parameter name.
  std::string testName() const;
};

// Shows a fixture by its path in test names and messages.
void PrintTo(const Fixture& fixture, std::ostream* out);

std::string fixtureDir();
const std::vector<Fixture>& allFixtures();
const Fixture& fixtureNamed(const std::string& path);
std::vector<uint8_t> readFileBytes(const std::string& path);
std::string readFileText(const std::string& path);

}  // namespace ledgerfen::test
