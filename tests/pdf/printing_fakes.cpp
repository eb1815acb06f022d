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
  const std::string effective = defaultName.empty() ? systemDefault : defaultName;
  std::vector<PrinterQueue> listed = queues;
  for (PrinterQueue& queue : listed) queue.isDefault = queue.destinationName() == effective;
  return listed;
}

PrintingResult<std::optional<std::string>> FakePrintingSystem::defaultDestination() {
  log_.push_back("read default");
  if (!running) return notRunning();
  const std::string effective = defaultName.empty() ? systemDefault : defaultName;
  if (effective.empty()) return std::optional<std::string>();
  return std::optional<std::string>(effective);
}

// The user's options are a file of their own: CUPS need not run.
PrintingResult<std::optional<std::string>> FakePrintingSystem::userDefault() {
  log_.push_back("read user default");
  if (unreadableOptions) return PrintingFailure{13, "Cannot read /home/user/.cups/lpoptions: Permission denied"};
  if (defaultName.empty()) return std::optional<std::string>();
  return std::optional<std::string>(defaultName);
}

PrintingResult<std::monostate> FakePrintingSystem::setUserDefault(const std::optional<std::string>& destination) {
  log_.push_back(destination ? "set default " + *destination : "remove default");
  if (refuseSet || setsBeforeRefusal == 0) {
    return PrintingFailure{30, "Cannot write /home/user/.cups/lpoptions: Read-only file system"};
  }
  if (setsBeforeRefusal > 0) --setsBeforeRefusal;
  defaultName = destination.value_or("");
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
