// What "Next >" on the table page does: opens the chosen table as an
// updatable record set over a new connection, shows the table editor with
// the table's name in its label and binds the editor's grid to the record
// set. Afterwards only the grid holds the record set, and the record set its
// connection; the next table opened releases them.
//
// The steps report their failures as the table page's "Next >" and go on,
// so a table that cannot be opened still shows the editor, with its new
// label and no table in the grid.
#pragma once

#include <functional>
#include <string>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/table_catalog.h"
#include "ledgerfen/editor/table_editor_window.h"
#include "ledgerfen/shell/table_page.h"

namespace ledgerfen::editor {

class TableEditorOpener final : public shell::TableOpener {
 public:
  // Gives the table editor, creating it the first time.
  using EditorLoader = std::function<TableEditorWindow&()>;

  TableEditorOpener(shell::WindowServices& window, data::DataEngine& engine, const data::DatabaseFields& fields,
                    EditorLoader editor)
      : window_(window), engine_(engine), fields_(fields), editor_(std::move(editor)) {}

  void openChosenTable(shell::TablePage& page) override;

  // The table last chosen on the table page.
  const std::string& currentTableName() const { return currentTableName_; }

 private:
  shell::WindowServices& window_;
  data::DataEngine& engine_;
  const data::DatabaseFields& fields_;
  EditorLoader editor_;
  std::string currentTableName_;
};

}  // namespace ledgerfen::editor
