#include "printing_fakes.h"

namespace ledgerfen::pdf::fakes {
namespace {

PrintingFailure notRunning() {
  return PrintingFailure{1282, "Bad file descriptor"};
}

}  // namespace

PrintingResult<std::vector<PrinterQueue>> FakePrintingSystem::destinations() {
  log_.push_back("list printers");
  if (!running) return notRunning();
  std::vector<PrinterQueue> listed = queues;
  for (PrinterQueue& queue : listed) queue.isDefault = queue.destinationName() == defaultName;
  return listed;
}

PrintingResult<std::string> FakePrintingSystem::defaultDestination() {
  log_.push_back("read default");
  if (!running || defaultName.empty()) return PrintingFailure{1030, "No default destination."};
  return defaultName;
}

PrintingResult<std::monostate> FakePrintingSystem::setUserDefault(const PrinterQueue& destination) {
  log_.push_back("set default " + destination.destinationName());
  if (!running) return notRunning();
  if (refuseSet) return PrintingFailure{1025, "Forbidden"};
  defaultName = destination.destinationName();
  return std::monostate{};
}

Result<std::string> FakeTemporaryFiles::makePrivateFolder() {
  if (cannotMakeFolders) return Error(ErrorKind::Io, "Cannot make a private folder in /tmp: No space left on device");
  std::string folder = "/tmp/user/ledgerfen-pdf-" + std::to_string(++foldersMade);
  folders.insert(folder);
  log_.push_back("make folder " + folder);
  return folder;
}

Status FakeTemporaryFiles::deleteFile(const std::string& path) {
  log_.push_back("delete " + path);
  if (undeletable.count(path) || !files.count(path)) return Error(ErrorKind::Io, "Cannot delete " + path);
  files.erase(path);
  return okStatus();
}

Status FakeTemporaryFiles::forceDeleteFile(const std::string& path) {
  log_.push_back("force delete " + path);
  if (unforceable.count(path) || !files.count(path)) return Error(ErrorKind::Io, "Cannot delete " + path);
  files.erase(path);
  return okStatus();
}

Status FakeTemporaryFiles::removeFolder(const std::string& path) {
  log_.push_back("remove folder " + path);
  for (auto it = files.begin(); it != files.end();) {
    it = it->first.rfind(path + "/", 0) == 0 ? files.erase(it) : std::next(it);
  }
  folders.erase(path);
  return okStatus();
}

Result<exporting::ProcessEnd> FakeProcessLauncher::runAndWait(const std::vector<std::string>& arguments,
                                                              std::chrono::milliseconds) {
  commands.push_back(arguments);
  log_.push_back("run");
  defaultWhileRunning.push_back(printers_.defaultName);
  const std::string file = arguments.empty() ? "" : arguments.back();
  fileWhileRunning.push_back(files_.files.count(file) ? files_.files.at(file) : "(missing)");
  if (!startFailure.empty()) return Error(ErrorKind::Io, startFailure);
  return end;
}

}  // namespace ledgerfen::pdf::fakes
