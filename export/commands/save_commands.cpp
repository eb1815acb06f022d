#include "ledgerfen/export/save_commands.h"

namespace ledgerfen::exporting {

std::string SaveDialog::ShowSave() {
  std::string chosen = dialogs_.getSaveFileName(SaveFileRequest{DialogTitle, Filter, fileName_});
  if (!chosen.empty()) fileName_ = chosen;
  return chosen;
}

void SaveCommands::mnuCSV_Click() {
  save(TextFormat::Csv, kCsvFilter, shell::kTableEditorReports.exportCsv);
}
void SaveCommands::mnuTXT_Click() {
  save(TextFormat::Txt, kTxtFilter, shell::kTableEditorReports.exportTxt);
}
void SaveCommands::mnuXML_Click() {
  save(TextFormat::Xml, kXmlFilter, shell::kTableEditorReports.exportXml);
}

void SaveCommands::save(TextFormat format, std::string_view filter, const shell::ReportLocation& location) {
  dialog_.DialogTitle = kSaveDialogTitle;
  dialog_.Filter = filter;
  const std::string path = dialog_.ShowSave();
  if (path.empty()) return;
  pointer_.setMousePointer(PointerSetting::kBusy);
  shell::TrappedHandler h(errors_, location);
  h.step(100, [&] {
    switch (format) {
      case TextFormat::Csv: return ExportCSV(grid_, path);
      case TextFormat::Txt: return ExportTXT(grid_, path);
      case TextFormat::Xml: break;
    }
    return ExportXML(grid_, path);
  });
  pointer_.setMousePointer(PointerSetting::kDefault);
}

}  // namespace ledgerfen::exporting
