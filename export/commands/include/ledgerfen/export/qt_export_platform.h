// The Qt implementations of the export commands' platform services
// (command_platform.h).
#pragma once

#include "ledgerfen/export/command_platform.h"
#include "ledgerfen/shell/window_pointer.h"

namespace ledgerfen::exporting {

// The Save dialog as QFileDialog over the active window: the filter's one
// entry, the proposed path's folder and name; no question when the file
// exists, no extension added.
class QtSaveFileDialogs final : public SaveFileDialogs {
 public:
  std::string getSaveFileName(const SaveFileRequest& request) override;
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
