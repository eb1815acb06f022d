#include "ledgerfen/export/byte_sink.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

namespace ledgerfen::exporting {
namespace {

namespace fs = std::filesystem;

Error writeError(const std::string& path, const std::string& why) {
  return Error(ErrorKind::Io, "Cannot write " + path + ": " + why);
}

Error systemError(const std::string& path, int error) {
  return writeError(path, strerror(error));
}

// The file a path finally names, its symbolic links followed (a dangling
// link names the file it points to, which is then created).
std::string resolveLinks(const std::string& path) {
  fs::path current = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(current, ec))) break;
    fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.string();
}

// A new, empty file beside `target`, with a name of its own and the
// permissions of a newly created file (0666 less the umask).
int createTemporaryBeside(const std::string& target, std::string& name) {
  fs::path folder = fs::path(target).parent_path();
  if (folder.empty()) folder = ".";
  const std::string stem = "." + fs::path(target).filename().string() + ".";
  std::random_device random;
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix;
    for (int k = 0; k < 8; ++k) suffix += kLetters[random() % (sizeof kLetters - 1)];
    name = (folder / (stem + suffix + ".tmp")).string();
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

Status writeAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return systemError(path, errno);
    }
    bytes.remove_prefix(size_t(n));
  }
  return okStatus();
}

void syncFolderOf(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

FileReplacement::~FileReplacement() {
  abandon();
}

void FileReplacement::abandon() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}

Status FileReplacement::start() {
  target_ = resolveLinks(path_);
  struct stat old {};
  replacesFile_ = stat(target_.c_str(), &old) == 0;
  if (replacesFile_ && S_ISDIR(old.st_mode)) return writeError(path_, "it is a folder");
  if (replacesFile_ && access(target_.c_str(), W_OK) != 0) return writeError(path_, "the file is read-only");
  oldMode_ = old.st_mode & 07777;
  fd_ = createTemporaryBeside(target_, temporary_);
  if (fd_ < 0) {
    const int error = errno;
    temporary_.clear();
    return systemError(path_, error);
  }
  return okStatus();
}

Status FileReplacement::append(std::string_view bytes) {
  if (finished_) return writeError(path_, "the file was already finished");
  // After a failure the file is gone; starting it again would lose what came before.
  if (failed_) return writeError(path_, "an earlier part of the file could not be written");
  if (fd_ < 0) {
    Status started = start();
    if (!started) {
      failed_ = true;
      return started;
    }
  }
  Status written = writeAll(fd_, bytes, path_);
  if (!written) {
    failed_ = true;
    abandon();
  }
  return written;
}

Status FileReplacement::finish() {
  if (fd_ < 0) LF_RETURN_IF_ERROR(append({}));
  Status done = okStatus();
  if (replacesFile_ && fchmod(fd_, oldMode_) != 0) done = systemError(path_, errno);
  if (done && fsync(fd_) != 0) done = systemError(path_, errno);
  const int closed = close(fd_);
  fd_ = -1;
  if (closed != 0 && done) done = systemError(path_, errno);
  if (done && rename(temporary_.c_str(), target_.c_str()) != 0) done = systemError(path_, errno);
  if (!done) {
    failed_ = true;
    abandon();
    return done;
  }
  temporary_.clear();
  finished_ = true;
  syncFolderOf(target_);
  return okStatus();
}

Status StreamSink::append(std::string_view bytes) {
  out_.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out_) return Error(ErrorKind::Io, "Cannot write the output");
  return okStatus();
}

Status StreamSink::finish() {
  out_.flush();
  if (!out_) return Error(ErrorKind::Io, "Cannot write the output");
  return okStatus();
}

}  // namespace ledgerfen::exporting
