#include "ledgerfen/pdf/cups_printing_system.h"

#include <cups/cups.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "ledgerfen/pdf/user_printer_options.h"

namespace ledgerfen::pdf {
namespace {

PrintingFailure lastFailure() {
  const ipp_status_t status = cupsLastError();
  // With no scheduler to answer, libcups's text is that of whatever socket
  // call failed last ("Bad file descriptor"), which tells a person nothing.
  if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
    const char* server = cupsServer();
    return PrintingFailure{static_cast<int>(status),
                           "no scheduler answers at " + std::string(server && *server ? server : "localhost")};
  }
  const char* text = cupsLastErrorString();
  return PrintingFailure{static_cast<int>(status), text ? text : ""};
}

// The destinations of one cupsGetDests2 call, freed when it goes.
class DestinationList {
 public:
  DestinationList() { count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_); }
  ~DestinationList() { cupsFreeDests(count_, dests_); }
  DestinationList(const DestinationList&) = delete;
  DestinationList& operator=(const DestinationList&) = delete;

  int count() const { return count_; }
  cups_dest_t* dests() const { return dests_; }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

std::vector<PrinterQueue> queuesOf(const DestinationList& list) {
  std::vector<PrinterQueue> queues;
  for (int i = 0; i < list.count(); ++i) {
    const cups_dest_t& dest = list.dests()[i];
    const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
    queues.push_back(PrinterQueue{dest.name ? dest.name : "", dest.instance ? dest.instance : "", info ? info : "",
                                  dest.is_default != 0});
  }
  return queues;
}

// An empty list is no printer, unless the scheduler could not be asked.
bool listFailed(const DestinationList& list) {
  if (list.count() > 0) return false;
  const ipp_status_t status = cupsLastError();
  return status >= IPP_STATUS_REDIRECTION_OTHER_SITE && status != IPP_STATUS_ERROR_NOT_FOUND;
}

// The failure of a file operation on the user's options, with errno.
PrintingFailure fileFailure(const char* what, const std::string& path) {
  const int error = errno ? errno : EIO;
  return PrintingFailure{error, "Cannot " + std::string(what) + " " + path + ": " + std::strerror(error)};
}

// The whole file into `text`; a missing file is empty text.
bool readOptions(const std::string& path, std::string& text) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  char buffer[8192];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, size_t(got));
  const int error = errno;
  ::close(fd);
  errno = error;
  return got == 0;
}

bool writeAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(wrote);
  }
  return true;
}

// Replaces the file (the one a symbolic link names, when it is one) with
// the text in one step: a new file beside it, renamed over it. The folder
// is made when missing, private, as lpoptions makes it; the file keeps its
// mode, and a new one is readable by all, as lpoptions writes it.
bool replaceOptions(const std::string& path, const std::string& text) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    target = fs::weakly_canonical(target, ec);
    if (ec) {
      errno = ec.value();
      return false;
    }
  }
  const std::string folder = target.parent_path().string();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat old {};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;

  std::string temporary = folder + "/.lpoptions-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    const int renameError = written ? errno : error;
    ::unlink(temporary.c_str());
    errno = renameError;
    return false;
  }
  return true;
}

}  // namespace

PrintingResult<std::vector<PrinterQueue>> CupsPrintingSystem::destinations() {
  DestinationList list;
  if (listFailed(list)) return lastFailure();
  return queuesOf(list);
}

PrintingResult<std::optional<std::string>> CupsPrintingSystem::defaultDestination() {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  if (!dest) {
    if (cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) return lastFailure();
    // libcups says "no default" also when the scheduler does not answer.
    DestinationList list;
    if (listFailed(list)) return lastFailure();
    return std::optional<std::string>();
  }
  std::string name = dest->name ? dest->name : "";
  if (dest->instance) name += "/" + std::string(dest->instance);
  cupsFreeDests(1, dest);
  return std::optional<std::string>(std::move(name));
}

PrintingResult<std::optional<std::string>> CupsPrintingSystem::userDefault() {
  const std::string path = userOptionsPath();
  std::string options;
  if (!readOptions(path, options)) return fileFailure("read", path);
  return defaultInOptions(options);
}

PrintingResult<std::monostate> CupsPrintingSystem::setUserDefault(const std::optional<std::string>& destination) {
  const std::string path = userOptionsPath();
  std::string options;
  if (!readOptions(path, options)) return fileFailure("read", path);
  const std::string changed = withDefaultInOptions(options, destination);
  if (changed == options) return std::monostate{};
  if (changed.empty()) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return fileFailure("remove", path);
    return std::monostate{};
  }
  if (!replaceOptions(path, changed)) return fileFailure("write", path);
  return std::monostate{};
}

}  // namespace ledgerfen::pdf
