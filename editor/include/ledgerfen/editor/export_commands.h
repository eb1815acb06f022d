// The five items of the editor's "Export Table As.." menu. The editor calls
// them; the export modules carry them out (each shows its own dialogs and
// reports its own failures), reading the table through the grid.
#pragma once

namespace ledgerfen::editor {

class ExportCommands {
 public:
  virtual ~ExportCommands() = default;

  virtual void exportTxt() = 0;  // "TXT": tab-separated text, through the Save dialog
  virtual void exportXls() = 0;  // "XLS": a new, unsaved spreadsheet workbook
  virtual void exportCsv() = 0;  // "CSV": comma-separated values, through the Save dialog
  virtual void exportPdf() = 0;  // "PDF": printed on the PDF printer
  virtual void exportXml() = 0;  // "XML": a simple XML file, through the Save dialog
};

}  // namespace ledgerfen::editor
