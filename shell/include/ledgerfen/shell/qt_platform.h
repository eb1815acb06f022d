// The Qt implementations of the platform services of platform.h.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <string>

#include "ledgerfen/shell/platform.h"

namespace ledgerfen::shell {

// Message boxes as QMessageBox, plain text, centred on the screen.
class QtMessageBoxes final : public MessageBoxes {
 public:
  MessageAnswer show(const MessageRequest& request) override;
};

// The open-file dialog as QFileDialog. The read-only flag has no
// counterpart and is ignored.
class QtFileDialogs final : public FileDialogs {
 public:
  std::string getOpenFileName(const OpenFileRequest& request) override;
};

class QtWebBrowser final : public WebBrowser {
 public:
  void openAddress(const std::string& address) override;
};

// Ends the program by hiding every window and leaving the event loop; when
// the loop has not started yet, main sees ended() and does not start it.
class QtProgramControl final : public ProgramControl {
 public:
  void endProgram() override;
  bool ended() const override { return ended_; }

 private:
  bool ended_ = false;
};

// The text of a message as a Qt label shows it: each CR LF and each lone CR
// becomes one line break.
QString displayText(const std::string& text);

// "Description|pattern;pattern|..." as Qt name filters ("Description (p p)"),
// each pattern made to match letters in either case as the desktop's users
// expect of file types. Entries without a description or pattern are dropped.
QStringList nameFiltersOf(const std::string& filter);

}  // namespace ledgerfen::shell
