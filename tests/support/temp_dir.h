// A folder of its own for a test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace ledgerfen::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // A writable copy of a fixture in this folder; returns its path.
  std::string copyFixture(const std::string& fixture, const std::string& name = "") const;

 private:
  std::string path_;
};

}  // namespace ledgerfen::test
