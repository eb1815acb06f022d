#include "ledgerfen/shell/database_page.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ledgerfen/data/provider_check.h"
#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/hand_pointer.h"
#include "ledgerfen/shell/product.h"
#include "ledgerfen/shell/program_folder.h"
#include "ledgerfen/shell/report_locations.h"

namespace ledgerfen::shell {
namespace {

constexpr const DatabasePageReports& kReports = kDatabasePageReports;

constexpr const char* kDatabaseKey = "Database";
constexpr const char* kPasswordKey = "Password";
constexpr const char* kBrowseTitle = "Select Access Database";
constexpr const char* kBrowseFilter =
    "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
    "Microsoft 2007 Database (*.accdb)|*.accdb|";

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QLabel* makeLabel(const char* caption, QWidget* parent, const QRect& geometry) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setGeometry(geometry);
  label->setFont(arialFont(9, true));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* makeButton(const char* caption, QWidget* parent, const QRect& geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setGeometry(geometry);
  button->setFont(arialFont(11.25, true));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

DatabasePage::DatabasePage(const Services& services, TablePageLoader tablePage)
    : services_(services),
      window_(services.window),
      tablePage_(std::move(tablePage)),
      catalog_(services.engine, services.window.paths, *this),
      providerPrompts_(services.window.messages, services.browser),
      pointer_(*this) {
  buildControls();
}

DatabasePage::~DatabasePage() = default;

void DatabasePage::buildControls() {
  setObjectName(QStringLiteral("Form1"));
  setFixedSize(twips(8040), twips(2085));
  setFont(arialFont(9, false));
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  databaseFrame_ = new QGroupBox(QStringLiteral("Access Database"), this);
  databaseFrame_->setGeometry(twipsRect(120, 120, 7800, 1335));
  databaseFrame_->setFont(arialFont(9, true));

  databasePathLabel_ = makeLabel("MDB or ACCDB File:", databaseFrame_, twipsRect(240, 345, 1935, 255));
  databasePathBox_ = new QLineEdit(databaseFrame_);
  databasePathBox_->setGeometry(twipsRect(2280, 300, 4695, 345));
  databasePathBox_->setFont(arialFont(9, true));
  browseButton_ = makeButton("...", databaseFrame_, twipsRect(7080, 300, 450, 345));

  passwordLabel_ = makeLabel("Password (if required):", databaseFrame_, twipsRect(240, 840, 1950, 225));
  passwordBox_ = new QLineEdit(databaseFrame_);
  passwordBox_->setGeometry(twipsRect(2280, 800, 5265, 345));
  passwordBox_->setFont(arialFont(9, true));
  passwordBox_->setEchoMode(QLineEdit::Password);
  passwordBox_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"

  sampleButton_ = makeButton("Load Sample/Example Database", this, twipsRect(120, 1580, 3840, 405));
  nextButton_ = makeButton("Next >", this, twipsRect(4080, 1580, 3840, 405));

  // The names by which skins address the controls.
  const std::pair<QWidget*, const char*> names[] = {{databaseFrame_, "Frame1"},      {databasePathLabel_, "Label5"},
                                                    {databasePathBox_, "Text1"},     {browseButton_, "PushButton6"},
                                                    {passwordLabel_, "lblPassword"}, {passwordBox_, "Text2"},
                                                    {sampleButton_, "PushButton1"},  {nextButton_, "PushButton3"}};
  for (const auto& [widget, name] : names) widget->setObjectName(QString::fromUtf8(name));

  setTabOrder(databasePathBox_, nextButton_);
  setTabOrder(nextButton_, passwordBox_);
  setTabOrder(passwordBox_, browseButton_);
  setTabOrder(browseButton_, sampleButton_);
  databasePathBox_->setFocus();

  connect(databasePathBox_, &QLineEdit::textChanged, this, [this] { saveDatabasePath(); });
  connect(passwordBox_, &QLineEdit::textChanged, this, [this] { savePassword(); });
  connect(sampleButton_, &QPushButton::clicked, this, [this] { onLoadSampleClicked(); });
  connect(nextButton_, &QPushButton::clicked, this, [this] { onNextClicked(); });
  connect(browseButton_, &QPushButton::clicked, this, [this] { onBrowseClicked(); });
  databasePathBox_->installEventFilter(this);
  passwordBox_->installEventFilter(this);

  for (QWidget* button : {sampleButton_, nextButton_, browseButton_}) pointer_.showHandOver(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, databasePathBox_, passwordBox_, databaseFrame_}) {
    pointer_.showDefaultOver(surface);
  }
}

void DatabasePage::start(const std::string& fileToOpen) {
  if (!loaded_) {
    loaded_ = true;
    loading_ = true;
    movedOnDuringLoad_ = false;
    fileToOpen_ = fileToOpen;
    onLoad();
    loading_ = false;
    if (window_.program.ended() || movedOnDuringLoad_) return;
    centreOnScreen(*this);
  }
  show();
  if (asksForPassword_) {
    asksForPassword_ = false;
    activateWindow();
    passwordBox_->setFocus(Qt::OtherFocusReason);
  }
}

void DatabasePage::onLoad() {
  TrappedHandler h(window_.errors, kReports.load);
  h.step(100, [&] { return applySkin(*this, window_.programFolder); });
  h.step(106, [&] { setWindowTitle(qs(kProductName)); });
  h.step(106, [&] { setWindowIcon(applicationIcon()); });
  h.step(106, [&] { setAppTitle(window_.messages); });
  loadHandPointer(h, 124, window_, pointer_);
  h.step(128, [&] {
    // A file named at start-up takes the remembered path's place, and is
    // remembered in its turn.
    setDatabasePath(!fileToOpen_.empty() ? fileToOpen_
                                         : services_.settings.getSetting(std::string(kSettingsApplication),
                                                                         std::string(kSettingsSection), kDatabaseKey));
  });
  h.step(130, [&] {
    passwordBox_->setText(QString::fromStdString(
        services_.settings.getSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kPasswordKey)));
  });
  if (h.test(138, [&] { return !data::checkDataProvider(services_.engine, providerPrompts_, kSupportAddress); })) {
    window_.program.endProgram();
    return;
  }
  if (h.test(132, [&] { return !databasePathBox_->text().isEmpty(); })) {
    if (h.test(134, [&] { return window_.paths.exists(databasePath()); })) {
      h.step(136, [&] {
        // Someone who opened a file from the file manager is asked for its
        // password rather than shown a report about the wrong one.
        if (!fileToOpen_.empty()) {
          const auto tables = catalog_.listTables(databasePath());
          asksForPassword_ = !tables && tables.error().kind() == ErrorKind::WrongPassword;
        }
        if (!asksForPassword_) onNextClicked();
      });
    }
  }
  h.step(136, [&] { return services_.pdfPrinter.checkInstalled(); });
}

void DatabasePage::onLoadSampleClicked() {
  TrappedHandler h(window_.errors, kReports.loadSample);
  h.step(100, [&] { setDatabasePath(programFile(window_.programFolder, kSampleDatabase)); });
}

void DatabasePage::onNextClicked() {
  TrappedHandler h(window_.errors, kReports.next);
  data::TableList tables;
  h.step(100, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(tables, catalog_.listTables(databasePath()));
    return okStatus();
  });
  if (h.test(102, [&] { return !tables.has_value(); })) {
    tables.reset();
    return;
  }
  h.step(106, [&] { return catalog_.fillTableList(tablePage_().tableListControl(), databasePath()); });
  h.step(108, [&] { tablePage_().showPage(); });
  h.step(110, [&] {
    hide();
    if (loading_) movedOnDuringLoad_ = true;
  });
}

void DatabasePage::onBrowseClicked() {
  TrappedHandler h(window_.errors, kReports.browse);
  OpenFileRequest request;
  std::string fileName;
  h.step(100, [&] { fileName.clear(); });
  h.step(102, [&] { request.flags = kOpenExplorer | kOpenLongNames | kOpenReadOnly; });
  h.step(104, [&] { request.title = kBrowseTitle; });
  h.step(106, [&] { request.filter = kBrowseFilter; });
  h.step(108, [&] { fileName = services_.fileDialogs.getOpenFileName(request); });
  if (h.test(110, [&] { return !fileName.empty(); })) {
    h.step(112, [&] { setDatabasePath(fileName); });
  }
}

std::string DatabasePage::databasePath() const {
  return databasePathBox_->text().toStdString();
}
std::string DatabasePage::databasePassword() const {
  return passwordBox_->text().toStdString();
}

void DatabasePage::setDatabasePath(const std::string& path) {
  databasePathBox_->setText(QString::fromStdString(path));
}

// A failed save is not reported: the box keeps its text, and the next change
// tries again.
void DatabasePage::saveDatabasePath() {
  (void)services_.settings.saveSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kDatabaseKey,
                                       databasePath());
}

void DatabasePage::savePassword() {
  (void)services_.settings.saveSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kPasswordKey,
                                       databasePassword());
}

void DatabasePage::closeEvent(QCloseEvent* event) {
  event->accept();
  window_.program.endProgram();
}

bool DatabasePage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && (watched == databasePathBox_ || watched == passwordBox_)) {
    static_cast<QLineEdit*>(watched)->selectAll();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ledgerfen::shell
