#include "desktop_exports.h"

#include "ledgerfen/export/text_writers.h"

namespace ledgerfen::app {

DesktopExports::DesktopExports(editor::Form3& editor, shell::WindowServices& window,
                               const pdf::PrintingServices& printing)
    : pointer_(editor.pointer()),
      text_(*editor.DataGrid1(), dialogs_, pointer_, window.errors),
      spreadsheet_(*editor.DataGrid1(), calc_, pointer_, window.messages, window.errors),
      pdf_(window, printing, [&editor](const std::string& path) {
        return exporting::ExportTXT(*editor.DataGrid1(), path);
      }) {}

}  // namespace ledgerfen::app
