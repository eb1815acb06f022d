#include "desktop_exports.h"

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/export/text_writers.h"

namespace ledgerfen::app {

DesktopExports::DesktopExports(editor::TableEditorWindow& editor, shell::WindowServices& window,
                               const pdf::PrintingServices& printing)
    : pointer_(editor.pointer()),
      progress_(&editor),
      text_(*editor.grid(), dialogs_, pointer_, progress_, window.errors),
      spreadsheet_(*editor.grid(), calc_, pointer_, progress_, window.messages, window.errors),
      pdf_(
          window, printing,
          [&editor, this](const std::string& path) {
            // Cancel leaves no text to print, so the job is never sent.
            exporting::ProgressGridReader rows(*editor.grid(), progress_);
            return exporting::writeTxt(rows, path);
          },
          [&editor] {
            // The print job, and the PDF the PDF printer makes of it, are named after the table.
            const data::RecordSet* table = editor.grid()->dataSource();
            return table ? table->tableName() : std::string();
          }) {}

}  // namespace ledgerfen::app
