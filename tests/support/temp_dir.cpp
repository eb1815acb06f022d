#include "support/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "support/fixtures.h"

namespace ledgerfen::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ledgerfen-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::copyFixture(const std::string& fixture, const std::string& name) const {
  std::filesystem::path from = fixtureNamed(fixture).fullPath();
  std::filesystem::path to = std::filesystem::path(path_) / (name.empty() ? from.filename().string() : name);
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  return to.string();
}

}  // namespace ledgerfen::test
