#include "ledgerfen/export/temporary_files.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace ledgerfen::exporting {
namespace {

constexpr std::string_view kRandomPart = "XXXXXX";

Error fileError(const std::string& what, const std::string& path, int error) {
  return Error(ErrorKind::Io, what + " " + path + ": " + std::strerror(error));
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string temporaryFolder() {
  const char* tmpdir = ::getenv("TMPDIR");
  struct stat info;
  if (!tmpdir || !*tmpdir || ::stat(tmpdir, &info) != 0 || !S_ISDIR(info.st_mode)) return "/tmp";
  std::string folder = tmpdir;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

Result<std::string> makePrivateFolder(const std::string& parent, std::string_view prefix) {
  std::string pattern = parent + "/" + std::string(prefix) + std::string(kRandomPart);
  if (!::mkdtemp(pattern.data())) return fileError("Cannot make a private folder in", parent, errno);
  return pattern;
}

Result<std::string> makePrivateFile(const std::string& folder, std::string_view prefix, std::string_view suffix,
                                    std::string_view what) {
  std::string path = folder + "/" + std::string(prefix) + std::string(kRandomPart) + std::string(suffix);
  const int fd = ::mkstemps(path.data(), int(suffix.size()));
  if (fd < 0) return fileError("Cannot make " + std::string(what) + " in", folder, errno);
  ::close(fd);
  return path;
}

Result<std::string> LinuxTemporaryFiles::makePrivateFolder() {
  return exporting::makePrivateFolder(temporaryFolder(), "ledgerfen-pdf-");
}

bool LinuxTemporaryFiles::fileExists(const std::string& path) const {
  struct stat info;
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

Status LinuxTemporaryFiles::deleteFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return fileError("Cannot delete", path, errno);
  return okStatus();
}

// Whether a file may be deleted depends on its folder: give the owner write
// and search permission on the folder, then delete.
Status LinuxTemporaryFiles::forceDeleteFile(const std::string& path) {
  const std::string folder = folderOf(path);
  struct stat info;
  if (::stat(folder.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR)) {
    if (::chmod(folder.c_str(), (info.st_mode & 07777) | S_IWUSR | S_IXUSR) != 0) {
      return fileError("Cannot make writable the folder of", path, errno);
    }
  }
  return deleteFile(path);
}

// Only the user can write in a private folder, so whatever is left in it
// (a writer's own temporary file, say) is the export's and goes too.
Status LinuxTemporaryFiles::removeFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  if (error) return Error(ErrorKind::Io, "Cannot remove the folder " + path + ": " + error.message());
  return okStatus();
}

}  // namespace ledgerfen::exporting
