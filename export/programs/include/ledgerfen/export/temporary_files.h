// Private temporary files and folders for what the exports hand to other
// programs: the PDF export's text for the print program, the spreadsheet
// export's workbook for LibreOffice Calc. Whatever is made here only this
// user may read or change. The PDF export's files go through the
// TemporaryFiles interface (LinuxTemporaryFiles on Linux; tests use a fake).
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

// The user's temporary folder: $TMPDIR when it names a folder (without
// trailing slashes), else /tmp.
std::string temporaryFolder();

// A new folder in `parent`, named `prefix` and six random characters, that
// only this user may open, list or change (mkdtemp, mode 0700); its path.
// Fails with "Cannot make a private folder in PARENT: why".
Result<std::string> makePrivateFolder(const std::string& parent, std::string_view prefix);

// A new, empty file in `folder`, named `prefix`, six random characters and
// `suffix`, that only this user may read or write (mkstemps, mode 0600); its
// path. Fails with "Cannot make WHAT in FOLDER: why", `what` saying what
// the file is for.
Result<std::string> makePrivateFile(const std::string& folder, std::string_view prefix, std::string_view suffix,
                                    std::string_view what);

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

// Private folders named ledgerfen-pdf-*, in temporaryFolder().
class LinuxTemporaryFiles final : public TemporaryFiles {
 public:
  Result<std::string> makePrivateFolder() override;
  bool fileExists(const std::string& path) const override;
  Status deleteFile(const std::string& path) override;
  Status forceDeleteFile(const std::string& path) override;
  Status removeFolder(const std::string& path) override;
};

}  // namespace ledgerfen::exporting
