#include "program.h"

namespace ledgerfen::app {

Program::Program(const Platform& platform, editor::TablePageForward* tableForward)
    : platform_(platform),
      tableForward_(tableForward),
      messages_(platform.messageBoxes),
      errors_(messages_),
      window_{messages_, errors_, platform.paths, platform.program, platform.programFolder} {
  shell::DatabasePage::Services services{window_,         platform.fileDialogs, platform.settings,
                                         platform.engine, platform.browser,     platform.pdfPrinter};
  databasePage_ =
      std::make_unique<shell::DatabasePage>(services, [this]() -> shell::TablePage& { return loadForm2(); });
  editorForward_ = std::make_unique<editor::EditorForward>(window_, platform.engine, *databasePage_,
                                                           [this]() -> editor::Form3& { return loadForm3(); });
  if (!tableForward_) tableForward_ = editorForward_.get();
}

Program::~Program() = default;

void Program::start() {
  databasePage_->start();
}

editor::Form2& Program::loadForm2() {
  if (!form2_) {
    form2_ = std::make_unique<editor::Form2>(window_, *databasePage_, tableForward_);
    form2_->load();
  }
  return *form2_;
}

editor::Form3& Program::loadForm3() {
  if (!form3_) {
    form3_ = std::make_unique<editor::Form3>(window_, loadForm2());
    if (platform_.exports) {
      exports_ = platform_.exports(*form3_, window_);
      form3_->setExportCommands(exports_.get());
    }
  }
  return *form3_;
}

}  // namespace ledgerfen::app
