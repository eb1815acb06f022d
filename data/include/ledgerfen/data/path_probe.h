// The file test of the program: does a path name something that exists.
// Nothing is opened or read, and no failure leaves the test: any failure
// (no such file, empty or malformed path, no access) answers false.
#pragma once

#include <string>

namespace ledgerfen::data {

class PathProbe {
 public:
  virtual ~PathProbe() = default;
  virtual bool exists(const std::string& path) const = 0;
};

// Asks the file system (stat). A folder counts as existing; callers pass
// file paths.
class FileSystemProbe final : public PathProbe {
 public:
  bool exists(const std::string& path) const override;
};

}  // namespace ledgerfen::data
