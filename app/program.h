// The program's windows and the services they share, wired together. main
// hands in the real platform services; tests hand in fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/editor/export_commands.h"
#include "ledgerfen/editor/table_editor_opener.h"
#include "ledgerfen/editor/table_editor_window.h"
#include "ledgerfen/shell/database_page.h"
#include "ledgerfen/shell/platform.h"
#include "ledgerfen/shell/table_page.h"

namespace ledgerfen::app {

// Makes the commands of the editor's "Export Table As.." menu for the editor
// window, whose grid they read, over the window services they report through.
using ExportCommandsFactory = std::function<std::unique_ptr<editor::ExportCommands>(editor::TableEditorWindow& editor,
                                                                                    shell::WindowServices& window)>;

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
  // `tableOpener` stands in for what "Next >" on the table page does
  // (null: open the chosen table in the table editor).
  explicit Program(const Platform& platform, shell::TableOpener* tableOpener = nullptr);
  ~Program();

  // Loads the database page, whose load handler is the start-up sequence,
  // and shows it unless the start-up ended the program or moved on. A
  // `fileToOpen` is opened as if typed on that page (DatabasePage::start).
  void start(const std::string& fileToOpen = {});

  shell::DatabasePage& databasePage() { return *databasePage_; }
  // The table page, or null while it has not been loaded.
  shell::TablePage* tablePage() { return tablePage_.get(); }
  // The table editor, or null while no table has been opened.
  editor::TableEditorWindow* tableEditor() { return tableEditor_.get(); }
  editor::TableEditorOpener& tableEditorOpener() { return *tableEditorOpener_; }
  shell::MessageService& messages() { return messages_; }

 private:
  shell::TablePage& loadTablePage();
  editor::TableEditorWindow& loadTableEditor();

  Platform platform_;
  shell::TableOpener* tableOpener_;
  shell::MessageService messages_;
  shell::ErrorReporter errors_;
  shell::WindowServices window_;
  std::unique_ptr<shell::DatabasePage> databasePage_;
  std::unique_ptr<shell::TablePage> tablePage_;
  std::unique_ptr<editor::TableEditorOpener> tableEditorOpener_;
  std::unique_ptr<editor::TableEditorWindow> tableEditor_;
  std::unique_ptr<editor::ExportCommands> exports_;  // goes before the editor it exports from
};

}  // namespace ledgerfen::app
