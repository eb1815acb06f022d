// The "PDF" export of the table editor: the table is written as tab-separated
// text to a temporary file, the PDF printer is made the user's default
// printer, the print program prints the file on it, by name, as a job named
// after the table, and then the file goes and the user's own default comes
// back as it was (the printer it was, or none). The program holds no PDF
// code: the PDF printer (a CUPS queue with the cups-pdf backend) makes the
// PDF, names it after the job and decides where it goes.
//
// Every platform piece comes in through PrintingServices, so the steps run
// in tests without printers or a screen. Used on the user-interface thread;
// the handler blocks it until the print program has handed the job over.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The job's name when the table's name is not known.
inline constexpr std::string_view kUnnamedTable = "Table";

// What the export reports when the default printer cannot be read: it then
// leaves the default alone, since it could not put it back afterwards.
inline constexpr std::string_view kPreviousPrinterUnknown =
    "The current default printer cannot be read, so it could not be made the default again after printing. "
    "The PDF printer was not made the default, and nothing was printed.";
// What it reports, before CUPS's own words, when CUPS cannot be asked for
// the printers.
inline constexpr std::string_view kPrintersUnknown = "Nothing was printed: CUPS cannot be asked for its printers: ";

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
// The name of the table the editor shows.
using TableNameReader = std::function<std::string()>;

class PdfExport {
 public:
  PdfExport(shell::WindowServices& window, const PrintingServices& printing, GridTextWriter writeGridText,
            TableNameReader tableName, std::chrono::milliseconds printTimeout = kPrintProgramTimeout);
  // Without the table's name the job is named kUnnamedTable.
  PdfExport(shell::WindowServices& window, const PrintingServices& printing, GridTextWriter writeGridText,
            std::chrono::milliseconds printTimeout = kPrintProgramTimeout);

  // The "PDF" item of the table editor's export menu. Each step that fails
  // shows the error report (at the table editor's exportPdf location, see
  // report_locations.h, and the step's number) and the command goes on:
  //   100 make a new private folder in the user's temporary folder; the
  //       file is tmp.txt in it
  //   102 write the grid to the file
  //   104 if no file is there, remove the folder and end
  //   106 remember the user's own default printer (or that there is none);
  //       when it cannot be read, say so and go on at 114 without touching
  //       the printers
  //   108 make the PDF printer the user's default; when CUPS cannot be
  //       asked, say so; without the PDF printer, or when the switch is
  //       refused, go on at 114 silently (the start-up check tells the user
  //       about a missing PDF printer)
  //   110 the command line: the print program, -d and the PDF printer's
  //       queue, -t and the table's name, /p and the path
  //   112 run it and wait (bounded) until it has handed the job over
  //   114 remove the file (removeFile) and the private folder
  //   116 if 108 switched, put the user's own default back as 106 found it;
  //       when that fails, say so and how to put it back by hand
  void run();

  // Lets pending window events run once, then deletes the file; when that
  // fails, tries forceDeleteFile. Never fails: a file that cannot be
  // deleted stays.
  void removeFile(const std::string& path);
  Status forceDeleteFile(const std::string& path);

 private:
  Status runPrintProgram(const std::vector<std::string>& arguments);

  shell::WindowServices& window_;
  PrintingServices printing_;
  DefaultPrinter printers_;
  GridTextWriter writeGridText_;
  TableNameReader tableName_;
  std::chrono::milliseconds printTimeout_;
};

}  // namespace ledgerfen::pdf
