// The "PDF" export of the table editor: the table is written as tab-separated
// text to a temporary file, the PDF printer is made the user's default
// printer, the print program prints the file on it, and then the file goes
// and the previous default printer comes back. The program holds no PDF code:
// the PDF printer (a CUPS queue with the cups-pdf backend) makes the PDF and
// decides where it goes.
//
// Every platform piece comes in through PrintingServices, so the steps run
// in tests without printers or a screen. Used on the user-interface thread;
// the handler blocks it until the print program has handed the job over.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/pdf/default_printer.h"
#include "ledgerfen/pdf/printing_system.h"
#include "ledgerfen/shell/window_services.h"
#include "ledgerfen/status.h"

namespace ledgerfen::pdf {

// The printer the export prints on, as the user knows it.
inline constexpr std::string_view kPdfPrinterName = "Mirrowick PDF Writer";
// The name of the text file inside the export's private folder.
inline constexpr std::string_view kTemporaryFileName = "tmp.txt";
// How long the export waits for the print program to hand the job over.
inline constexpr std::chrono::milliseconds kPrintProgramTimeout{60'000};

// What the export reports when the default printer cannot be read: it then
// leaves the default alone, since it could not put it back afterwards.
inline constexpr std::string_view kPreviousPrinterUnknown =
    "The current default printer cannot be read, so it could not be made the default again after printing. "
    "The PDF printer was not made the default, and nothing was printed.";

// Lets the window events that are waiting run once.
class PendingEvents {
 public:
  virtual ~PendingEvents() = default;
  virtual void runOnce() = 0;
};

// QCoreApplication::processEvents.
class QtPendingEvents final : public PendingEvents {
 public:
  void runOnce() override;
};

struct PrintingServices {
  PrintingSystem& printers;
  exporting::ProcessLauncher& processes;
  exporting::TemporaryFiles& files;
  PendingEvents& events;
};

// Writes the table as the grid shows it, as tab-separated text, to the file
// at the path: the TXT writer over the editor's grid.
using GridTextWriter = std::function<Status(const std::string& path)>;

class PdfExport {
 public:
  PdfExport(shell::WindowServices& window, const PrintingServices& printing, GridTextWriter writeGridText,
            std::chrono::milliseconds printTimeout = kPrintProgramTimeout);

  // The "PDF" item of the table editor's export menu. Each step that fails
  // shows the error report (at the table editor's exportPdf location, see
  // report_locations.h, and the step's number) and the command goes on:
  //   100 make a new private folder in the user's temporary folder; the
  //       file is tmp.txt in it
  //   102 write the grid to the file
  //   104 if no file is there, remove the folder and end
  //   106 remember the default printer; when it cannot be read, say so and
  //       go on at 114 without touching the printers
  //   108 make the PDF printer the default; if that fails, go on at 114
  //   110 the command line: the print program, " /p ", the quoted path
  //   112 run it and wait (bounded) until it has handed the job over
  //   114 remove the file (removeFile) and the private folder
  //   116 if 108 switched, make the remembered printer the default again
  void run();

  // Lets pending window events run once, then deletes the file; when that
  // fails, tries forceDeleteFile. Never fails: a file that cannot be
  // deleted stays.
  void removeFile(const std::string& path);
  Status forceDeleteFile(const std::string& path);

 private:
  Status runPrintProgram(const std::string& commandLine);

  shell::WindowServices& window_;
  PrintingServices printing_;
  DefaultPrinter printers_;
  GridTextWriter writeGridText_;
  std::chrono::milliseconds printTimeout_;
};

}  // namespace ledgerfen::pdf
