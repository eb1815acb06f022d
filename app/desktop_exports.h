// The editor's "Export Table As.." commands on this desktop, each over the
// editor's grid:
//
//   TXT, CSV, XML  the Save dialog and the text writers
//   XLS            a new, unsaved workbook in LibreOffice Calc
//   PDF            the table as tab-separated text, printed on the PDF printer
//
// Made once per editor window, after it, since the commands read its grid
// and set its pointer. The text exports and the PDF export's text show
// their progress over the window, with Cancel.
#pragma once

#include "ledgerfen/editor/export_commands.h"
#include "ledgerfen/editor/table_editor_window.h"
#include "ledgerfen/export/calc_spreadsheet.h"
#include "ledgerfen/export/qt_export_platform.h"
#include "ledgerfen/export/save_commands.h"
#include "ledgerfen/export/xls_command.h"
#include "ledgerfen/pdf/pdf_export.h"
#include "ledgerfen/shell/window_services.h"

namespace ledgerfen::app {

class DesktopExports final : public editor::ExportCommands {
 public:
  DesktopExports(editor::TableEditorWindow& editor, shell::WindowServices& window,
                 const pdf::PrintingServices& printing);

  void exportTxt() override { text_.exportTxt(); }
  void exportXls() override { spreadsheet_.run(); }
  void exportCsv() override { text_.exportCsv(); }
  void exportPdf() override { pdf_.run(); }
  void exportXml() override { text_.exportXml(); }

 private:
  exporting::QtSaveFileDialogs dialogs_;
  exporting::WindowPointerSetting pointer_;
  exporting::QtExportProgress progress_;
  exporting::CalcSpreadsheet calc_;
  exporting::SaveCommands text_;
  exporting::XlsCommand spreadsheet_;
  pdf::PdfExport pdf_;
};

}  // namespace ledgerfen::app
