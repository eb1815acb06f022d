// The platform services the windows use, each behind a small interface so
// that tests drive the windows with fakes and without a screen: message
// boxes, the open-file dialog, the web browser, the per-user settings store,
// the end of the program and the PDF printer check. The Qt and Linux
// implementations are in qt_platform.h and settings_store.h; the PDF printer
// check over CUPS is the PDF export's (ledgerfen/pdf/pdf_printer_check.h).
//
// Every call is made on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "ledgerfen/status.h"

namespace ledgerfen::shell {

enum class MessageIcon { None, Warning };
// YesNo: Yes is the default button; YesNoDefaultNo, for questions whose Yes
// cannot be undone, makes No the default.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
  std::string title;
  // Exact text; line breaks are CR LF or a lone CR, as the program writes them.
  std::string text;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
};

// Modal message boxes: the call returns when the user has answered.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer show(const MessageRequest& request) = 0;
};

// Open-file dialog flags, as the common dialog numbers them.
inline constexpr uint32_t kOpenReadOnly = 0x1;        // read-only box ticked
inline constexpr uint32_t kOpenExplorer = 0x80000;    // explorer-style dialog
inline constexpr uint32_t kOpenLongNames = 0x200000;  // long file names

struct OpenFileRequest {
  std::string title;
  // "Description|pattern|Description|pattern|": patterns separated by ";".
  std::string filter;
  uint32_t flags = 0;
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen file's full path, or empty text when the user cancels.
  virtual std::string getOpenFileName(const OpenFileRequest& request) = 0;
};

class WebBrowser {
 public:
  virtual ~WebBrowser() = default;
  // Asks the desktop to open the address with its default handler.
  virtual void openAddress(const std::string& address) = 0;
};

// Per-user text values under an application, a section and a key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, or empty text when the key, section or application is absent.
  virtual std::string getSetting(const std::string& application, const std::string& section,
                                 const std::string& key) const = 0;
  // Stores the text at once, replacing any earlier value.
  virtual Status saveSetting(const std::string& application, const std::string& section, const std::string& key,
                             const std::string& text) = 0;
};

class ProgramControl {
 public:
  virtual ~ProgramControl() = default;
  // Ends the program at once: every window goes and no further handler runs.
  virtual void endProgram() = 0;
  virtual bool ended() const = 0;
};

// Whether the PDF printer is installed; tells the user how to install it
// when it is not. A failure to list the printers comes back as an error.
class PdfPrinterCheck {
 public:
  virtual ~PdfPrinterCheck() = default;
  virtual Status checkInstalled() = 0;
};

}  // namespace ledgerfen::shell
