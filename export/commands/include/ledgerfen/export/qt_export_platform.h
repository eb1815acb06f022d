// The Qt implementations of the export commands' platform services
// (command_platform.h).
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <memory>

#include "ledgerfen/export/command_platform.h"
#include "ledgerfen/export/export_progress.h"
#include "ledgerfen/shell/window_pointer.h"

namespace ledgerfen::exporting {

// The Save dialog as QFileDialog over the active window: the filter's one
// entry, the proposed path's folder and name; no question when the file
// exists, no extension added.
class QtSaveFileDialogs final : public SaveFileDialogs {
 public:
  std::string getSaveFileName(const SaveFileRequest& request) override;
};

// An export's progress as a progress dialog over the window. It appears
// once the export has run for about a second and looks like running on,
// says how many rows are done of how many, and has a Cancel button (Escape
// too). While it is up it keeps the window painted, and it is modal to the
// whole program, so nothing else can change under the export.
class QtExportProgress final : public ExportProgress {
 public:
  explicit QtExportProgress(QWidget* window) : window_(window) {}
  ~QtExportProgress() override;

  void begin(int64_t rows) override;
  bool advance(int64_t done) override;
  void end() override;

  // The dialog while an export runs (null before and after), for tests.
  QProgressDialog* dialog() const { return dialog_.get(); }

 private:
  void show(int64_t done);

  QPointer<QWidget> window_;
  std::unique_ptr<QProgressDialog> dialog_;
  QElapsedTimer sinceShown_;
  int64_t rows_ = 0;
  int64_t rowsPerStep_ = 1;  // the dialog counts in int
};

// A window's pointer setting as the shell keeps it.
class WindowPointerSetting final : public PointerSetting {
 public:
  explicit WindowPointerSetting(shell::WindowPointer& pointer) : pointer_(pointer) {}
  int mousePointer() const override { return pointer_.mousePointer(); }
  void setMousePointer(int pointer) override { pointer_.setMousePointer(pointer); }

 private:
  shell::WindowPointer& pointer_;
};

}  // namespace ledgerfen::exporting
