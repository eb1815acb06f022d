// The table editor: the chosen table in a grid (DataGrid) that writes every
// edited row back by itself, with "< Back" to the table page, "Help",
// "Export Table As.." (a pop-up menu of the exports) and "Quit"; beside the
// table's name, the grid's status line.
//
// The table editor's opener prepares the window each time it shows it
// (label, grid binding, focus); the window never opens or closes a table
// itself. It is loaded once per run, then only hidden and shown. Before it
// goes back, quits, closes or exports, it writes the row being edited; when
// that write fails it shows why and lets the person stay to put it right or
// discard the row's changes. Closing it ends the program.
#pragma once

#include <QWidget>

#include "ledgerfen/editor/data_grid.h"
#include "ledgerfen/editor/export_commands.h"
#include "ledgerfen/shell/window_pointer.h"
#include "ledgerfen/shell/window_services.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace ledgerfen::editor {

class TableEditorWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kHelpText = DataGrid::kToolTip;
  static constexpr const char* kEditingLabel = " Now Editing: ";

  // `tablePage` is shown again by "< Back".
  TableEditorWindow(shell::WindowServices& window, QWidget& tablePage);
  ~TableEditorWindow() override;

  // What the export menu's items call (null: they do nothing until set).
  void setExportCommands(ExportCommands* commands) { exports_ = commands; }

  // Runs the load handler the first time; later calls do nothing.
  void load();
  bool loaded() const { return loaded_; }
  // Shows the window, loading it first, centred the first time.
  void showPage();

  // Event handlers.
  void onLoad();
  void onBackClicked();    // "< Back"
  void onHelpClicked();    // "Help"
  void onExportClicked();  // "Export Table As.."
  void onQuitClicked();    // "Quit"
  // The items of the export menu.
  void onExportTxt();
  void onExportXls();
  void onExportCsv();
  void onExportPdf();
  void onExportXml();

  QLabel* tableLabel() const { return tableLabel_; }
  // Beside the table's name: the grid's record count, sort and filters, or
  // the work under way.
  QLabel* statusLabel() const { return statusLabel_; }
  DataGrid* grid() const { return grid_; }
  QPushButton* backButton() const { return backButton_; }
  QPushButton* helpButton() const { return helpButton_; }
  QPushButton* exportButton() const { return exportButton_; }
  QPushButton* quitButton() const { return quitButton_; }
  QMenu* exportMenu() const { return exportMenu_; }
  shell::WindowPointer& pointer() { return pointer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  // Writes the row being edited. True when the window may go on: written,
  // nothing to write, or the person chose to discard the changes.
  bool settlePendingRow();
  void runExport(void (ExportCommands::*command)());

  shell::WindowServices& window_;
  QWidget& tablePage_;
  ExportCommands* exports_ = nullptr;
  shell::WindowPointer pointer_;
  bool loaded_ = false;
  bool shownBefore_ = false;

  QLabel* tableLabel_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  DataGrid* grid_ = nullptr;
  QPushButton* backButton_ = nullptr;
  QPushButton* helpButton_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QPushButton* quitButton_ = nullptr;
  QMenu* exportMenu_ = nullptr;
};

}  // namespace ledgerfen::editor
