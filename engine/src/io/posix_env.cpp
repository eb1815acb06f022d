// The real file system: POSIX files, fdatasync for durability and
// open-file-description locks, which hold per open file rather than per
// process, so two opens in one process exclude each other too.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "ledgerfen/env.h"

namespace ledgerfen {
namespace {

Error systemError(const std::string& path, const char* what, int err) {
  ErrorKind kind = ErrorKind::Io;
  if (err == ENOENT) kind = ErrorKind::NotFound;
  if (err == EACCES || err == EPERM || err == EROFS) kind = ErrorKind::ReadOnly;
  return Error(kind, path + ": " + what + ": " + std::strerror(err));
}

class PosixFile final : public File {
 public:
  PosixFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  const std::string& name() const override { return path_; }

  Result<uint64_t> size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return systemError(path_, "cannot read the file size", errno);
    return uint64_t(st.st_size);
  }

  Status readAt(uint64_t offset, std::span<uint8_t> out) override {
    size_t done = 0;
    while (done < out.size()) {
      ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return systemError(path_, "read failed", errno);
      }
      if (n == 0) {
        return Error(ErrorKind::Corrupt, path_ + ": the file ends at byte " + std::to_string(offset + done) +
                                             ", before the data it declares");
      }
      done += size_t(n);
    }
    return okStatus();
  }

  Status writeAt(uint64_t offset, std::span<const uint8_t> data) override {
    size_t done = 0;
    while (done < data.size()) {
      ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done, off_t(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return systemError(path_, "write failed", errno);
      }
      done += size_t(n);
    }
    return okStatus();
  }

  Status truncate(uint64_t size) override {
    if (::ftruncate(fd_, off_t(size)) != 0) return systemError(path_, "cannot change the file size", errno);
    return okStatus();
  }

  Status sync() override {
    if (::fdatasync(fd_) != 0) return systemError(path_, "cannot flush to disk", errno);
    return okStatus();
  }

  Result<bool> tryLock() override {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return true;
    if (errno == EAGAIN || errno == EACCES) return false;
    return systemError(path_, "cannot lock", errno);
  }

 private:
  std::string path_;
  int fd_;
};

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

class PosixEnv final : public Env {
 public:
  Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::ReadOnly: flags |= O_RDONLY; break;
      case OpenMode::ReadWrite: flags |= O_RDWR; break;
      case OpenMode::CreateOrOpen: flags |= O_RDWR | O_CREAT; break;
      case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
      int err = errno;
      if (err == ENOENT) return Error(ErrorKind::NotFound, path + ": no such file");
      return systemError(path, "cannot open", err);
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return Error(ErrorKind::InvalidArgument, path + ": is a folder, not a file");
    }
    return std::unique_ptr<File>(new PosixFile(path, fd));
  }

  bool exists(const std::string& path) override { return ::access(path.c_str(), F_OK) == 0; }

  Status remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return systemError(path, "cannot remove", errno);
    return okStatus();
  }

  Status rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return systemError(to, "cannot put the file in place", errno);
    return okStatus();
  }

  Status syncFolderOf(const std::string& path) override {
    std::string folder = folderOf(path);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return systemError(folder, "cannot open the folder", errno);
    int rc = ::fsync(fd);
    int err = errno;
    ::close(fd);
    if (rc != 0 && err != EINVAL) return systemError(folder, "cannot flush the folder", err);
    return okStatus();
  }

  std::string hostName() override {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
  }
};

}  // namespace

Env& defaultEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace ledgerfen
