// What the export commands need of the desktop and of the editor window,
// each behind a small interface so that tests drive the commands with fakes
// and without a screen: the Save dialog and the window's pointer. The Qt
// implementations are in qt_export_platform.h.
//
// Every call is made on the user-interface thread.
#pragma once

#include <string>

namespace ledgerfen::exporting {

struct SaveFileRequest {
  std::string title;
  // "Description|pattern": one entry.
  std::string filter;
  // The path the dialog proposes (its folder and name); empty: none.
  std::string fileName;
};

// A modal Save dialog that asks nothing when the chosen file exists and
// adds no extension to the name typed.
class SaveFileDialogs {
 public:
  virtual ~SaveFileDialogs() = default;
  // The chosen file's full path, or empty text when the user cancels.
  virtual std::string getSaveFileName(const SaveFileRequest& request) = 0;
};

// The editor window's pointer setting: 0 default, 11 busy hourglass.
class PointerSetting {
 public:
  static constexpr int kDefault = 0;
  static constexpr int kBusy = 11;

  virtual ~PointerSetting() = default;
  virtual int mousePointer() const = 0;
  virtual void setMousePointer(int pointer) = 0;
};

}  // namespace ledgerfen::exporting
