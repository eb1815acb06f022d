// Fakes of what the export commands use of the desktop: the Save dialog,
// the window's pointer, the progress window, message boxes and the
// spreadsheet program.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ledgerfen/export/command_platform.h"
#include "ledgerfen/export/export_progress.h"
#include "ledgerfen/export/spreadsheet.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::test {

class FakeSaveDialogs final : public exporting::SaveFileDialogs {
 public:
  std::vector<exporting::SaveFileRequest> requests;
  std::deque<std::string> answers;  // empty text, or none left: the user cancels

  std::string getSaveFileName(const exporting::SaveFileRequest& request) override;
};

class FakePointer final : public exporting::PointerSetting {
 public:
  std::vector<int> settings;  // every value set, in order
  int mousePointer() const override { return settings.empty() ? 0 : settings.back(); }
  void setMousePointer(int pointer) override { settings.push_back(pointer); }
};

// Progress that records what it is told, and cancels once `cancelAfter`
// rows are done (never while it is 0).
struct RecordedProgress final : exporting::ExportProgress {
  std::vector<int64_t> begun;
  int64_t lastDone = -1;
  int ended = 0;
  int64_t cancelAfter = 0;

  void begin(int64_t rows) override { begun.push_back(rows); }
  bool advance(int64_t done) override {
    lastDone = done;
    return cancelAfter == 0 || done < cancelAfter;
  }
  void end() override { ++ended; }
};

class RecordedMessageBoxes final : public shell::MessageBoxes {
 public:
  std::vector<shell::MessageRequest> shown;
  shell::MessageAnswer show(const shell::MessageRequest& request) override {
    shown.push_back(request);
    return shell::MessageAnswer::Ok;
  }
  std::vector<std::string> texts() const;
};

// A spreadsheet program in memory, which keeps each cell's text and the
// kind it was given, and cuts texts longer than its cell limit (in bytes)
// as a real one does. Each operation can fail: by name
// ("create", "addWorkbook", "setCell", "autoFit", "show", "quit"), once at
// its n-th call or from its n-th call on; and the program can go away
// (every operation failing) from its n-th operation of any kind on.
class FakeSpreadsheet final : public exporting::SpreadsheetProgram {
 public:
  struct Workbook {
    std::map<std::pair<int32_t, int32_t>, std::string> cells;  // (row, column) -> text
    std::map<std::pair<int32_t, int32_t>, exporting::ColumnKind> kinds;
    int fits = 0;
  };

  // Everything each application did, in order: "create", "quit", "show", ...
  std::vector<std::string> log;
  std::vector<std::shared_ptr<Workbook>> workbooks;
  int applicationsShown = 0;
  int32_t lastRow = 1'048'576;
  int32_t cellTextLimit = 32'767;

  void failAt(const std::string& operation, int call, bool fromThenOn = false);
  void goAwayAfter(int operations) { goneAfter_ = operations; }

  Result<std::unique_ptr<exporting::SpreadsheetApplication>> createApplication() override;
  // Counts the call and tells whether it fails.
  Status call(const std::string& operation);

 private:
  std::map<std::string, std::pair<int, bool>> failures_;
  std::map<std::string, int> calls_;
  int operations_ = 0;
  int goneAfter_ = -1;
};

}  // namespace ledgerfen::test
