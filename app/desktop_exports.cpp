#include "desktop_exports.h"

#include "ledgerfen/export/text_writers.h"

namespace ledgerfen::app {

DesktopExports::DesktopExports(editor::TableEditorWindow& editor, shell::WindowServices& window,
                               const pdf::PrintingServices& printing)
    : pointer_(editor.pointer()),
      text_(*editor.grid(), dialogs_, pointer_, window.errors),
      spreadsheet_(*editor.grid(), calc_, pointer_, window.messages, window.errors),
      pdf_(window, printing,
           [&editor](const std::string& path) { return exporting::ExportTXT(*editor.grid(), path); }) {}

}  // namespace ledgerfen::app
