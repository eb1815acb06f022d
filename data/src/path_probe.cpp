#include "ledgerfen/data/path_probe.h"

#include <sys/stat.h>

namespace ledgerfen::data {

bool FileSystemProbe::exists(const std::string& path) const {
  // A path holding a NUL character cannot name a file; stat would see only
  // the part before it.
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace ledgerfen::data
