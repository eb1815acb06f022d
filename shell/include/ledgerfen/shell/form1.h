// Form1, the database page: the program's start-up window, where the user
// names the Access database file and its password. Its load handler is the
// start-up sequence; "Next >" opens the database, fills the table page's list
// and moves on to the table page. The two text boxes are saved in the
// settings store on every change and restored at start-up.
//
// The page is loaded once per run and then only hidden and shown; closing it
// ends the program.
#pragma once

#include <QWidget>
#include <string>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/table_catalog.h"
#include "ledgerfen/shell/provider_prompts.h"
#include "ledgerfen/shell/table_page.h"
#include "ledgerfen/shell/window_pointer.h"
#include "ledgerfen/shell/window_services.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ledgerfen::shell {

class Form1 final : public QWidget, public data::DatabaseFields {
  Q_OBJECT

 public:
  struct Services {
    WindowServices& window;
    FileDialogs& fileDialogs;
    SettingsStore& settings;
    data::DataEngine& engine;
    WebBrowser& browser;
    PdfPrinterCheck& pdfPrinter;
  };

  Form1(const Services& services, TablePageLoader tablePage);
  ~Form1() override;

  // Loads the page (the start-up sequence runs once per run), then shows it
  // unless the start-up ended the program or went on to the table page.
  void start();
  bool loaded() const { return loaded_; }

  // Event handlers.
  void Form_Load();
  void PushButton1_Click();  // "Load Sample/Example Database"
  void PushButton3_Click();  // "Next >"
  void PushButton6_Click();  // "..."

  // data::DatabaseFields: the texts of Text1 and Text2.
  std::string databasePath() const override;
  std::string databasePassword() const override;

  QGroupBox* Frame1() const { return frame1_; }
  QLabel* Label5() const { return label5_; }
  QLineEdit* Text1() const { return text1_; }
  QPushButton* PushButton6() const { return pushButton6_; }
  QLabel* lblPassword() const { return lblPassword_; }
  QLineEdit* Text2() const { return text2_; }
  QPushButton* PushButton1() const { return pushButton1_; }
  QPushButton* PushButton3() const { return pushButton3_; }
  WindowPointer& pointer() { return pointer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void setText1(const std::string& text);
  void Text1_Change();
  void Text2_Change();

  Services services_;
  WindowServices& window_;
  TablePageLoader tablePage_;
  data::TableCatalog catalog_;
  ProviderPrompts providerPrompts_;
  WindowPointer pointer_;
  bool loaded_ = false;
  bool movedOnDuringLoad_ = false;
  bool loading_ = false;

  QGroupBox* frame1_ = nullptr;
  QLabel* label5_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QPushButton* pushButton6_ = nullptr;
  QLabel* lblPassword_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QPushButton* pushButton1_ = nullptr;
  QPushButton* pushButton3_ = nullptr;
};

}  // namespace ledgerfen::shell
