// Form2, the table page: the user tables of the database chosen on the
// database page, in a list to pick one from. "< Back" returns to the
// database page; "Next >" hands the chosen table to the table editor through
// TablePageForward.
//
// The page is loaded on first use (when the database page first fills its
// list), then only hidden and shown; closing it ends the program.
#pragma once

#include <QWidget>

#include "ledgerfen/data/table_catalog.h"
#include "ledgerfen/shell/table_page.h"
#include "ledgerfen/shell/window_pointer.h"
#include "ledgerfen/shell/window_services.h"

class QGroupBox;
class QListWidget;
class QPushButton;

namespace ledgerfen::editor {

class Form2;

// What "Next >" on the table page does: open the chosen table in the table
// editor. The editor provides it.
class TablePageForward {
 public:
  virtual ~TablePageForward() = default;
  virtual void PushButton3_Click(Form2& page) = 0;
};

// A list box as the table catalogue fills it.
class ListBoxControl final : public data::TableListControl {
 public:
  explicit ListBoxControl(QListWidget& list) : list_(list) {}
  void clear() override;
  void addItem(const std::string& text) override;
  int count() const override;
  void select(int index) override;

 private:
  QListWidget& list_;
};

class Form2 final : public QWidget, public shell::TablePage {
  Q_OBJECT

 public:
  // `databasePage` is shown again by "< Back". `forward` may be null until
  // the table editor exists; "Next >" then does nothing.
  Form2(shell::WindowServices& window, QWidget& databasePage, TablePageForward* forward);
  ~Form2() override;

  // Runs the load handler the first time; later calls do nothing.
  void load();
  bool loaded() const { return loaded_; }

  // Event handlers.
  void Form_Load();
  void PushButton2_Click();  // "< Back"
  void PushButton3_Click();  // "Next >"

  // shell::TablePage
  data::TableListControl& tableListControl() override { return listControl_; }
  void showPage() override;

  QGroupBox* Frame1() const { return frame1_; }
  QListWidget* List1() const { return list1_; }
  QPushButton* PushButton2() const { return pushButton2_; }
  QPushButton* PushButton3() const { return pushButton3_; }
  shell::WindowPointer& pointer() { return pointer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();

  shell::WindowServices& window_;
  QWidget& databasePage_;
  TablePageForward* forward_;
  shell::WindowPointer pointer_;
  bool loaded_ = false;
  bool shownBefore_ = false;

  QGroupBox* frame1_ = nullptr;
  QListWidget* list1_ = nullptr;
  QPushButton* pushButton2_ = nullptr;
  QPushButton* pushButton3_ = nullptr;
  ListBoxControl listControl_;
};

}  // namespace ledgerfen::editor
