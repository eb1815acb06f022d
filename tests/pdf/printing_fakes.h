// Fakes of the PDF export's platform pieces. They share one log, so a test
// can read the order in which the export called them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/pdf/pdf_export.h"
#include "ledgerfen/pdf/printing_system.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::pdf::fakes {

using CallLog = std::vector<std::string>;

class RecordingMessageBoxes final : public shell::MessageBoxes {
 public:
  std::vector<shell::MessageRequest> shown;
  shell::MessageAnswer show(const shell::MessageRequest& request) override {
    shown.push_back(request);
    return shell::MessageAnswer::Ok;
  }
};

// Destinations, the user's own default and the system's in memory. An
// empty default means none.
class FakePrintingSystem final : public PrintingSystem {
 public:
  explicit FakePrintingSystem(CallLog& log) : log_(log) {}

  std::vector<PrinterQueue> queues;
  std::string defaultName;    // the user's own default
  std::string systemDefault;  // the default when the user has none
  bool running = true;        // false: CUPS's calls fail as a stopped CUPS does
  bool refuseSet = false;     // setUserDefault fails
  // setUserDefault fails once this many calls have succeeded; -1: never.
  int setsBeforeRefusal = -1;
  bool unreadableOptions = false;  // userDefault fails

  // A queue with its description.
  void addQueue(const std::string& name, const std::string& info) { queues.push_back({name, "", info, false}); }

  PrintingResult<std::vector<PrinterQueue>> destinations() override;
  PrintingResult<std::optional<std::string>> defaultDestination() override;
  PrintingResult<std::optional<std::string>> userDefault() override;
  PrintingResult<std::monostate> setUserDefault(const std::optional<std::string>& destination) override;

 private:
  CallLog& log_;
};

// Files and folders by path; every private folder is new.
class FakeTemporaryFiles final : public exporting::TemporaryFiles {
 public:
  explicit FakeTemporaryFiles(CallLog& log) : log_(log) {}

  std::set<std::string> folders;
  std::map<std::string, std::string> files;  // path, contents
  std::set<std::string> undeletable;         // deleteFile fails on these
  std::set<std::string> unforceable;         // forceDeleteFile fails on these
  bool cannotMakeFolders = false;
  int foldersMade = 0;

  Result<std::string> makePrivateFolder() override;
  bool fileExists(const std::string& path) const override { return files.count(path) > 0; }
  Status deleteFile(const std::string& path) override;
  Status forceDeleteFile(const std::string& path) override;
  Status removeFolder(const std::string& path) override;

 private:
  CallLog& log_;
};

// Records each command and, while "running" it, what the printing system's
// default and the printed file were at that moment.
class FakeProcessLauncher final : public exporting::ProcessLauncher {
 public:
  FakeProcessLauncher(CallLog& log, FakePrintingSystem& printers, FakeTemporaryFiles& files)
      : log_(log), printers_(printers), files_(files) {}

  std::vector<std::vector<std::string>> commands;
  std::vector<std::string> defaultWhileRunning;
  std::vector<std::string> fileWhileRunning;  // the contents, or "(missing)"
  std::string startFailure;                   // non-empty: the program cannot be started
  exporting::ProcessEnd end;

  Result<exporting::ProcessEnd> runAndWait(const std::vector<std::string>& arguments,
                                           std::chrono::milliseconds timeout) override;

 private:
  CallLog& log_;
  FakePrintingSystem& printers_;
  FakeTemporaryFiles& files_;
};

class CountingPendingEvents final : public PendingEvents {
 public:
  explicit CountingPendingEvents(CallLog& log) : log_(log) {}
  void runOnce() override { log_.push_back("events"); }

 private:
  CallLog& log_;
};

}  // namespace ledgerfen::pdf::fakes
