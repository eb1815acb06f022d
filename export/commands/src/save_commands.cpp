#include "ledgerfen/export/save_commands.h"

namespace ledgerfen::exporting {

std::string SaveDialog::show() {
  std::string chosen = dialogs_.getSaveFileName(SaveFileRequest{title, filter, fileName_});
  if (!chosen.empty()) fileName_ = chosen;
  return chosen;
}

void SaveCommands::exportCsv() {
  save(TextFormat::Csv, kCsvFilter, shell::kTableEditorReports.exportCsv);
}
void SaveCommands::exportTxt() {
  save(TextFormat::Txt, kTxtFilter, shell::kTableEditorReports.exportTxt);
}
void SaveCommands::exportXml() {
  save(TextFormat::Xml, kXmlFilter, shell::kTableEditorReports.exportXml);
}

void SaveCommands::save(TextFormat format, std::string_view filter, const shell::ReportLocation& location) {
  dialog_.title = kSaveDialogTitle;
  dialog_.filter = filter;
  const std::string path = dialog_.show();
  if (path.empty()) return;
  pointer_.setMousePointer(PointerSetting::kBusy);
  shell::TrappedHandler h(errors_, location);
  h.step(100, [&] {
    ProgressGridReader rows(grid_, progress_);
    switch (format) {
      case TextFormat::Csv: return writeCsv(rows, path);
      case TextFormat::Txt: return writeTxt(rows, path);
      case TextFormat::Xml: break;
    }
    return writeXml(rows, path);
  });
  pointer_.setMousePointer(PointerSetting::kDefault);
}

}  // namespace ledgerfen::exporting
