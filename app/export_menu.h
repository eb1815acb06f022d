// The editor's "Export Table As.." menu wired to the export commands. The
// commands read the editor's grid and set its pointer, so they are made
// after the editor window and attached here; an item whose command is not
// attached does nothing.
//
//   TXT, CSV, XML  exporting::SaveCommands (the Save dialog and the writers)
//   XLS            exporting::XlsCommand (a new workbook in LibreOffice Calc)
//   PDF            the PDF export's command
#pragma once

#include <functional>

#include "ledgerfen/editor/export_commands.h"
#include "ledgerfen/export/save_commands.h"
#include "ledgerfen/export/xls_command.h"

namespace ledgerfen::app {

class ExportMenu final : public editor::ExportCommands {
 public:
  exporting::SaveCommands* text = nullptr;
  exporting::XlsCommand* spreadsheet = nullptr;
  std::function<void()> pdf;

  void exportTxt() override {
    if (text) text->mnuTXT_Click();
  }
  void exportXls() override {
    if (spreadsheet) spreadsheet->mnuXLS_Click();
  }
  void exportCsv() override {
    if (text) text->mnuCSV_Click();
  }
  void exportPdf() override {
    if (pdf) pdf();
  }
  void exportXml() override {
    if (text) text->mnuXML_Click();
  }
};

}  // namespace ledgerfen::app
