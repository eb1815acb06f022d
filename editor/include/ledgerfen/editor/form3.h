// Form3, the table editor: the chosen table in the grid DataGrid1, which
// writes every edited row back by itself, with "< Back" to the table page,
// "Help", "Export Table As.." (the pop-up menu mnuSaveAs) and "Quit".
//
// The table page prepares the window each time it shows it (label, grid
// binding, focus); the window never opens or closes a table itself. It is
// loaded once per run, then only hidden and shown. Before it goes back,
// quits, closes or exports, it writes the row being edited; when that write
// fails it shows why and lets the person stay to put it right or discard
// the row's changes. Closing it ends the program.
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

class Form3 final : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kHelpText = DataGrid::kToolTip;
  static constexpr const char* kEditingLabel = " Now Editing: ";

  // `tablePage` is shown again by "< Back".
  Form3(shell::WindowServices& window, QWidget& tablePage);
  ~Form3() override;

  // What the export menu's items call (null: they do nothing until set).
  void setExportCommands(ExportCommands* commands) { exports_ = commands; }

  // Runs the load handler the first time; later calls do nothing.
  void load();
  bool loaded() const { return loaded_; }
  // Shows the window, loading it first, centred the first time.
  void showPage();

  // Event handlers.
  void Form_Load();
  void PushButton1_Click();  // "< Back"
  void PushButton4_Click();  // "Help"
  void PushButton6_Click();  // "Export Table As.."
  void PushButton3_Click();  // "Quit"
  void mnuTXT_Click();
  void mnuXLS_Click();
  void mnuCSV_Click();
  void mnuPDF_Click();
  void mnuXML_Click();

  QLabel* Label2() const { return label2_; }
  DataGrid* DataGrid1() const { return dataGrid1_; }
  QPushButton* PushButton1() const { return pushButton1_; }
  QPushButton* PushButton4() const { return pushButton4_; }
  QPushButton* PushButton6() const { return pushButton6_; }
  QPushButton* PushButton3() const { return pushButton3_; }
  QMenu* mnuSaveAs() const { return mnuSaveAs_; }
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

  QLabel* label2_ = nullptr;
  DataGrid* dataGrid1_ = nullptr;
  QPushButton* pushButton1_ = nullptr;
  QPushButton* pushButton4_ = nullptr;
  QPushButton* pushButton6_ = nullptr;
  QPushButton* pushButton3_ = nullptr;
  QMenu* mnuSaveAs_ = nullptr;
};

}  // namespace ledgerfen::editor
