#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/file.h"

namespace ledgerfen::io {
namespace {

Error ioError(const std::string& path, const char* what, int err) {
  return Error(ErrorKind::Io, path + ": " + what + ": " + std::strerror(err));
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
    if (::fstat(fd_, &st) != 0) return ioError(path_, "cannot read the file size", errno);
    return uint64_t(st.st_size);
  }

  Status readAt(uint64_t offset, std::span<uint8_t> out) override {
    size_t done = 0;
    while (done < out.size()) {
      ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return ioError(path_, "read failed", errno);
      }
      if (n == 0) {
        return Error(ErrorKind::Corrupt, path_ + ": the file ends at byte " +
                                             std::to_string(offset + done) + ", before the data it declares");
      }
      done += size_t(n);
    }
    return okStatus();
  }

 private:
  std::string path_;
  int fd_;
};

}  // namespace

Result<std::unique_ptr<File>> openFileForReading(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT) return Error(ErrorKind::NotFound, path + ": no such file");
    return ioError(path, "cannot open", err);
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Error(ErrorKind::InvalidArgument, path + ": is a folder, not a database file");
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::unique_ptr<File>(new PosixFile(path, fd));
}


}  // namespace ledgerfen::io
