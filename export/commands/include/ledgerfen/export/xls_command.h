// The editor's "XLS" export: copies the table the grid shows into a new
// workbook of the spreadsheet program and shows it there, new and unsaved.
// The program asks for no file name and saves nothing itself.
//
// run() takes numbered steps through the error report: a failing step is
// reported at the table editor's exportXls location (report_locations.h)
// with its number, and the command carries on with the next step, so one
// failure can give several reports (every cell still to be set when there
// is no workbook). Cells already set stay. An empty table does nothing at all.
// The sheet's row 1 holds the captions, as text; row n+1 holds the grid's
// row n, each value handed over as the grid's text with the kind of its
// column (GridReader::columnKind), so the spreadsheet holds a number
// column's texts as numbers and a date column's as dates (calc_spreadsheet.h).
// Rows beyond the sheet's last row cannot be copied: that is reported once
// and the copy ends there. A text longer than a cell holds is set cut to the
// limit: the first such cell is reported (at step 130), later ones are cut
// without a further report.
//
// The rows go through the export progress, whose Cancel stops the copy at
// the next row: the workbook is then thrown away unshown, and nothing is
// reported.
//
// officeAvailable() starts the spreadsheet program and quits it again; when
// it cannot be started the user is told so.
#pragma once

#include <string_view>

#include "ledgerfen/export/command_platform.h"
#include "ledgerfen/export/export_progress.h"
#include "ledgerfen/export/grid_reader.h"
#include "ledgerfen/export/spreadsheet.h"
#include "ledgerfen/shell/error_report.h"
#include "ledgerfen/shell/messages.h"

namespace ledgerfen::exporting {

inline constexpr std::string_view kSpreadsheetMissingMessage =
    "Excel is not installed on this computer. You need to have it installed to use this feature.";

class XlsCommand {
 public:
  XlsCommand(GridReader& grid, SpreadsheetProgram& spreadsheet, PointerSetting& pointer, ExportProgress& progress,
             shell::MessageService& messages, shell::ErrorReporter& errors)
      : grid_(grid),
        spreadsheet_(spreadsheet),
        pointer_(pointer),
        progress_(progress),
        messages_(messages),
        errors_(errors) {}

  void run();
  // True when a spreadsheet application could be created and quit again
  // without a failure. When none can be created, shows the missing-program
  // message (OK, no icon, the application title).
  bool officeAvailable();

 private:
  GridReader& grid_;
  SpreadsheetProgram& spreadsheet_;
  PointerSetting& pointer_;
  ExportProgress& progress_;
  shell::MessageService& messages_;
  shell::ErrorReporter& errors_;
};

}  // namespace ledgerfen::exporting
