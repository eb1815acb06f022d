#include "program.h"

namespace ledgerfen::app {

Program::Program(const Platform& platform, shell::TableOpener* tableOpener)
    : platform_(platform),
      tableOpener_(tableOpener),
      messages_(platform.messageBoxes),
      errors_(messages_),
      window_{messages_, errors_, platform.paths, platform.program, platform.programFolder} {
  shell::DatabasePage::Services services{window_,         platform.fileDialogs, platform.settings,
                                         platform.engine, platform.browser,     platform.pdfPrinter};
  databasePage_ =
      std::make_unique<shell::DatabasePage>(services, [this]() -> shell::TablePage& { return loadTablePage(); });
  tableEditorOpener_ = std::make_unique<editor::TableEditorOpener>(
      window_, platform.engine, *databasePage_, [this]() -> editor::TableEditorWindow& { return loadTableEditor(); });
  if (!tableOpener_) tableOpener_ = tableEditorOpener_.get();
}

Program::~Program() = default;

void Program::start(const std::string& fileToOpen) {
  databasePage_->start(fileToOpen);
}

shell::TablePage& Program::loadTablePage() {
  if (!tablePage_) {
    tablePage_ = std::make_unique<shell::TablePage>(window_, *databasePage_, tableOpener_);
    tablePage_->load();
  }
  return *tablePage_;
}

editor::TableEditorWindow& Program::loadTableEditor() {
  if (!tableEditor_) {
    tableEditor_ = std::make_unique<editor::TableEditorWindow>(window_, loadTablePage());
    if (platform_.exports) {
      exports_ = platform_.exports(*tableEditor_, window_);
      tableEditor_->setExportCommands(exports_.get());
    }
  }
  return *tableEditor_;
}

}  // namespace ledgerfen::app
