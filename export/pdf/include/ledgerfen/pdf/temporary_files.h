// The files of the PDF export: a private place in the user's temporary
// folder for the text it prints, and their removal. The Linux implementation
// is LinuxTemporaryFiles; tests use a fake.
#pragma once

#include <string>

#include "ledgerfen/status.h"

namespace ledgerfen::pdf {

class TemporaryFiles {
 public:
  virtual ~TemporaryFiles() = default;
  // Makes a new folder in the user's temporary folder that only the user
  // may open, list or change; its path. Each call makes another one.
  virtual Result<std::string> makePrivateFolder() = 0;
  virtual bool fileExists(const std::string& path) const = 0;
  // Deletes a file the ordinary way.
  virtual Status deleteFile(const std::string& path) = 0;
  // Deletes a file that the ordinary way could not: also when its folder
  // has been made read-only for the user.
  virtual Status forceDeleteFile(const std::string& path) = 0;
  // Removes a folder made by makePrivateFolder with anything left in it.
  virtual Status removeFolder(const std::string& path) = 0;
};

// The temporary folder is TMPDIR when that names a folder, else /tmp. Private
// folders are made by mkdtemp (mode 0700).
class LinuxTemporaryFiles final : public TemporaryFiles {
 public:
  Result<std::string> makePrivateFolder() override;
  bool fileExists(const std::string& path) const override;
  Status deleteFile(const std::string& path) override;
  Status forceDeleteFile(const std::string& path) override;
  Status removeFolder(const std::string& path) override;
};

}  // namespace ledgerfen::pdf
