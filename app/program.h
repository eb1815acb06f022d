// The program's windows and the services they share, wired together. main
// hands in the real platform services; tests hand in fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/editor/editor_forward.h"
#include "ledgerfen/editor/export_commands.h"
#include "ledgerfen/editor/form2.h"
#include "ledgerfen/editor/form3.h"
#include "ledgerfen/shell/database_page.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::app {

// Makes the commands of the editor's "Export Table As.." menu for the editor
// window, whose grid they read, over the window services they report through.
using ExportCommandsFactory =
    std::function<std::unique_ptr<editor::ExportCommands>(editor::Form3& editor, shell::WindowServices& window)>;

struct Platform {
  shell::MessageBoxes& messageBoxes;
  shell::FileDialogs& fileDialogs;
  shell::WebBrowser& browser;
  shell::SettingsStore& settings;
  const data::PathProbe& paths;
  shell::ProgramControl& program;
  shell::PdfPrinterCheck& pdfPrinter;
  data::DataEngine& engine;
  std::string programFolder;
  // The exports; while empty, the export menu's items do nothing.
  ExportCommandsFactory exports;
};

class Program {
 public:
  // `tableForward` stands in for what "Next >" on the table page does
  // (null: open the chosen table in the table editor).
  explicit Program(const Platform& platform, editor::TablePageForward* tableForward = nullptr);
  ~Program();

  // Loads the database page, whose load handler is the start-up sequence,
  // and shows it unless the start-up ended the program or moved on.
  void start();

  shell::DatabasePage& databasePage() { return *databasePage_; }
  // The table page, or null while it has not been loaded.
  editor::Form2* form2() { return form2_.get(); }
  // The table editor, or null while no table has been opened.
  editor::Form3* form3() { return form3_.get(); }
  editor::EditorForward& editorForward() { return *editorForward_; }
  shell::MessageService& messages() { return messages_; }

 private:
  editor::Form2& loadForm2();
  editor::Form3& loadForm3();

  Platform platform_;
  editor::TablePageForward* tableForward_;
  shell::MessageService messages_;
  shell::ErrorReporter errors_;
  shell::WindowServices window_;
  std::unique_ptr<shell::DatabasePage> databasePage_;
  std::unique_ptr<editor::Form2> form2_;
  std::unique_ptr<editor::EditorForward> editorForward_;
  std::unique_ptr<editor::Form3> form3_;
  std::unique_ptr<editor::ExportCommands> exports_;  // goes before the editor it exports from
};

}  // namespace ledgerfen::app
