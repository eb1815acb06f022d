// The table page: the user tables of the database chosen on the database
// page, in a list to pick one from. "< Back" returns to the database page;
// "Next >" hands the chosen table to a TableOpener, which opens it in the
// table editor.
//
// The page is loaded on first use (when the database page first fills its
// list), then only hidden and shown; closing it ends the program.
#pragma once

#include <QWidget>
#include <functional>

#include "ledgerfen/data/table_catalog.h"
#include "ledgerfen/shell/window_pointer.h"
#include "ledgerfen/shell/window_services.h"

class QGroupBox;
class QListWidget;
class QPushButton;

namespace ledgerfen::shell {

class TablePage;

// What "Next >" on the table page does: open the chosen table. The shell
// knows no editor: the program hands in the table editor's opener.
class TableOpener {
 public:
  virtual ~TableOpener() = default;
  virtual void openChosenTable(TablePage& page) = 0;
};

// A list widget as the table catalogue fills it.
class TableListBox final : public data::TableListControl {
 public:
  explicit TableListBox(QListWidget& list) : list_(list) {}
  void clear() override;
  void addItem(const std::string& text) override;
  int count() const override;
  void select(int index) override;

 private:
  QListWidget& list_;
};

class TablePage final : public QWidget {
  Q_OBJECT

 public:
  // `databasePage` is shown again by "< Back". `opener` may be null until
  // the table editor exists; "Next >" then does nothing.
  TablePage(WindowServices& window, QWidget& databasePage, TableOpener* opener);
  ~TablePage() override;

  // Runs the load handler the first time; later calls do nothing.
  void load();
  bool loaded() const { return loaded_; }
  // Shows the page, loading it first, centred the first time.
  void showPage();

  // Event handlers.
  void onLoad();
  void onBackClicked();  // "< Back"
  void onNextClicked();  // "Next >"

  // The list as the table catalogue fills it.
  data::TableListControl& tableListControl() { return listControl_; }

  QGroupBox* tablesFrame() const { return tablesFrame_; }
  QListWidget* tableList() const { return tableList_; }
  QPushButton* backButton() const { return backButton_; }
  QPushButton* nextButton() const { return nextButton_; }
  WindowPointer& pointer() { return pointer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();

  WindowServices& window_;
  QWidget& databasePage_;
  TableOpener* opener_;
  WindowPointer pointer_;
  bool loaded_ = false;
  bool shownBefore_ = false;

  QGroupBox* tablesFrame_ = nullptr;
  QListWidget* tableList_ = nullptr;
  QPushButton* backButton_ = nullptr;
  QPushButton* nextButton_ = nullptr;
  TableListBox listControl_;
};

// Gives the table page, loading it (and running its load steps) the first time.
using TablePageLoader = std::function<TablePage&()>;

}  // namespace ledgerfen::shell
