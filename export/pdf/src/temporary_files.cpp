#include "ledgerfen/pdf/temporary_files.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace ledgerfen::pdf {
namespace {

Error fileError(const std::string& what, const std::string& path, int error) {
  return Error(ErrorKind::Io, what + " " + path + ": " + std::strerror(error));
}

std::string temporaryFolder() {
  const char* tmpdir = ::getenv("TMPDIR");
  struct stat info;
  if (tmpdir && *tmpdir && ::stat(tmpdir, &info) == 0 && S_ISDIR(info.st_mode)) return tmpdir;
  return "/tmp";
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

Result<std::string> LinuxTemporaryFiles::makePrivateFolder() {
  std::string folder = temporaryFolder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string pattern = folder + "/ledgerfen-pdf-XXXXXX";
  if (!::mkdtemp(pattern.data())) return fileError("Cannot make a private folder in", folder, errno);
  return pattern;
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

}  // namespace ledgerfen::pdf
