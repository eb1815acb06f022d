// The database page: the program's start-up window, where the user names
// the Access database file and its password. Its load handler is the
// start-up sequence; "Next >" opens the database, fills the table page's
// list and moves on to the table page. The path and the password are saved
// in the settings store on every change and restored at start-up.
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

class DatabasePage final : public QWidget, public data::DatabaseFields {
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

  DatabasePage(const Services& services, TablePageLoader tablePage);
  ~DatabasePage() override;

  // Loads the page (the start-up sequence runs once per run), then shows it
  // unless the start-up ended the program or went on to the table page.
  // With `fileToOpen` (a file named when the program was started) the
  // start-up takes that path instead of the remembered one, as if it had
  // been typed and "Next >" pressed; when the remembered password does not
  // open it, the page is shown with the password box focused instead.
  void start(const std::string& fileToOpen = {});
  bool loaded() const { return loaded_; }

  // Event handlers.
  void onLoad();
  void onLoadSampleClicked();  // "Load Sample/Example Database"
  void onNextClicked();        // "Next >"
  void onBrowseClicked();      // "..."

  // data::DatabaseFields: the texts of the two boxes.
  std::string databasePath() const override;
  std::string databasePassword() const override;

  QGroupBox* databaseFrame() const { return databaseFrame_; }
  QLabel* databasePathLabel() const { return databasePathLabel_; }
  QLineEdit* databasePathBox() const { return databasePathBox_; }
  QPushButton* browseButton() const { return browseButton_; }
  QLabel* passwordLabel() const { return passwordLabel_; }
  QLineEdit* passwordBox() const { return passwordBox_; }
  QPushButton* sampleButton() const { return sampleButton_; }
  QPushButton* nextButton() const { return nextButton_; }
  WindowPointer& pointer() { return pointer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void setDatabasePath(const std::string& path);
  void saveDatabasePath();
  void savePassword();

  Services services_;
  WindowServices& window_;
  TablePageLoader tablePage_;
  data::TableCatalog catalog_;
  ProviderPrompts providerPrompts_;
  WindowPointer pointer_;
  std::string fileToOpen_;
  bool asksForPassword_ = false;
  bool loaded_ = false;
  bool movedOnDuringLoad_ = false;
  bool loading_ = false;

  QGroupBox* databaseFrame_ = nullptr;
  QLabel* databasePathLabel_ = nullptr;
  QLineEdit* databasePathBox_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QLabel* passwordLabel_ = nullptr;
  QLineEdit* passwordBox_ = nullptr;
  QPushButton* sampleButton_ = nullptr;
  QPushButton* nextButton_ = nullptr;
};

}  // namespace ledgerfen::shell
