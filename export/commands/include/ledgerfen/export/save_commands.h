// The editor's three text exports, "TXT", "CSV" and "XML" of its "Export
// Table As.." menu: each asks for a target file in the Save dialog and runs
// the matching writer of text_writers.h on the editor's grid.
//
// One Save dialog serves the three commands for the life of the editor
// window: it proposes the path confirmed last in any of them (with its old
// extension) and never adds an extension itself. Cancelling writes nothing
// and shows nothing. While the writer runs, the window shows the hourglass.
// A failed write (a read-only folder, a full disk) is shown with the error
// report, located at the table editor's menu item (report_locations.h) and
// step 100, and the pointer then comes back to the default; the old file
// stays whole. The writer's rows go through the export progress, whose
// Cancel stops the writer: the old file stays whole then too, and nothing is
// reported.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/export/command_platform.h"
#include "ledgerfen/export/export_progress.h"
#include "ledgerfen/export/grid_reader.h"
#include "ledgerfen/export/text_writers.h"
#include "ledgerfen/shell/error_report.h"

namespace ledgerfen::exporting {

inline constexpr std::string_view kSaveDialogTitle = "Save";
inline constexpr std::string_view kCsvFilter = "CSV Files (*.csv)|*.csv";
inline constexpr std::string_view kTxtFilter = "Text Files (*.txt)|*.txt";
inline constexpr std::string_view kXmlFilter = "XML Files (*.xml)|*.xml";

// The editor window's Save dialog: its title and filter are set before each
// use; it remembers the path confirmed last.
class SaveDialog {
 public:
  explicit SaveDialog(SaveFileDialogs& dialogs) : dialogs_(dialogs) {}

  std::string title;
  std::string filter;

  // Shows the dialog proposing the path confirmed last. Returns the chosen
  // path, or empty text when the user cancelled.
  std::string show();

 private:
  SaveFileDialogs& dialogs_;
  std::string fileName_;
};

class SaveCommands {
 public:
  SaveCommands(GridReader& grid, SaveFileDialogs& dialogs, PointerSetting& pointer, ExportProgress& progress,
               shell::ErrorReporter& errors)
      : grid_(grid), dialog_(dialogs), pointer_(pointer), progress_(progress), errors_(errors) {}

  void exportCsv();
  void exportTxt();
  void exportXml();

 private:
  void save(TextFormat format, std::string_view filter, const shell::ReportLocation& location);

  GridReader& grid_;
  SaveDialog dialog_;
  PointerSetting& pointer_;
  ExportProgress& progress_;
  shell::ErrorReporter& errors_;
};

}  // namespace ledgerfen::exporting
