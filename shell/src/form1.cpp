#include "ledgerfen/shell/form1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ledgerfen/data/provider_check.h"
#include "ledgerfen/shell/forms.h"
#include "ledgerfen/shell/hand_pointer.h"
#include "ledgerfen/shell/main_module.h"

namespace ledgerfen::shell {
namespace {

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

Form1::Form1(const Services& services, TablePageLoader tablePage)
    : services_(services),
      window_(services.window),
      tablePage_(std::move(tablePage)),
      catalog_(services.engine, services.window.paths, *this),
      providerPrompts_(services.window.messages, services.browser),
      pointer_(*this) {
  buildControls();
}

Form1::~Form1() = default;

void Form1::buildControls() {
  setObjectName(QStringLiteral("Form1"));
  setFixedSize(twips(8040), twips(2085));
  setFont(arialFont(9, false));
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  frame1_ = new QGroupBox(QStringLiteral("Access Database"), this);
  frame1_->setGeometry(twipsRect(120, 120, 7800, 1335));
  frame1_->setFont(arialFont(9, true));

  label5_ = makeLabel("MDB or ACCDB File:", frame1_, twipsRect(240, 345, 1935, 255));
  text1_ = new QLineEdit(frame1_);
  text1_->setGeometry(twipsRect(2280, 300, 4695, 345));
  text1_->setFont(arialFont(9, true));
  pushButton6_ = makeButton("...", frame1_, twipsRect(7080, 300, 450, 345));

  lblPassword_ = makeLabel("Password (if required):", frame1_, twipsRect(240, 840, 1950, 225));
  text2_ = new QLineEdit(frame1_);
  text2_->setGeometry(twipsRect(2280, 800, 5265, 345));
  text2_->setFont(arialFont(9, true));
  text2_->setEchoMode(QLineEdit::Password);
  text2_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"

  pushButton1_ = makeButton("Load Sample/Example Database", this, twipsRect(120, 1580, 3840, 405));
  pushButton3_ = makeButton("Next >", this, twipsRect(4080, 1580, 3840, 405));

  const std::pair<QWidget*, const char*> names[] = {
      {frame1_, "Frame1"},           {label5_, "Label5"},           {text1_, "Text1"},
      {pushButton6_, "PushButton6"}, {lblPassword_, "lblPassword"}, {text2_, "Text2"},
      {pushButton1_, "PushButton1"}, {pushButton3_, "PushButton3"}};
  for (const auto& [widget, name] : names) widget->setObjectName(QString::fromUtf8(name));

  setTabOrder(text1_, pushButton3_);
  setTabOrder(pushButton3_, text2_);
  setTabOrder(text2_, pushButton6_);
  setTabOrder(pushButton6_, pushButton1_);
  text1_->setFocus();

  connect(text1_, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
  connect(text2_, &QLineEdit::textChanged, this, [this] { Text2_Change(); });
  connect(pushButton1_, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(pushButton3_, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
  connect(pushButton6_, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
  text1_->installEventFilter(this);
  text2_->installEventFilter(this);

  for (QWidget* button : {pushButton1_, pushButton3_, pushButton6_}) pointer_.showHandOver(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, text1_, text2_, frame1_}) {
    pointer_.showDefaultOver(surface);
  }
}

void Form1::start() {
  if (!loaded_) {
    loaded_ = true;
    loading_ = true;
    movedOnDuringLoad_ = false;
    Form_Load();
    loading_ = false;
    if (window_.program.ended() || movedOnDuringLoad_) return;
    centreOnScreen(*this);
  }
  show();
}

void Form1::Form_Load() {
  TrappedHandler h(window_.errors, handlerLocation("Form1", "Form_Load"));
  h.step(100, [&] { return ApplySkin(*this, window_.programFolder); });
  h.step(106, [&] { setWindowTitle(qs(kProductName)); });
  h.step(106, [&] { setWindowIcon(applicationIcon()); });
  h.step(106, [&] { SetAppTitle(window_.messages); });
  loadHandPointer(h, 124, window_, pointer_);
  h.step(128, [&] {
    setText1(
        services_.settings.getSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kDatabaseKey));
  });
  h.step(130, [&] {
    text2_->setText(QString::fromStdString(
        services_.settings.getSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kPasswordKey)));
  });
  if (h.test(138, [&] { return !data::checkDataProvider(services_.engine, providerPrompts_, kSupportAddress); })) {
    window_.program.endProgram();
    return;
  }
  if (h.test(132, [&] { return !text1_->text().isEmpty(); })) {
    if (h.test(134, [&] { return window_.paths.exists(databasePath()); })) {
      h.step(136, [&] { PushButton3_Click(); });
    }
  }
  h.step(136, [&] { return services_.pdfPrinter.CheckPdfPrinterInstalled(); });
}

void Form1::PushButton1_Click() {
  TrappedHandler h(window_.errors, handlerLocation("Form1", "PushButton1_Click"));
  h.step(100, [&] { setText1(programFile(window_.programFolder, kSampleDatabase)); });
}

void Form1::PushButton3_Click() {
  TrappedHandler h(window_.errors, handlerLocation("Form1", "PushButton3_Click"));
  data::TableList tables;
  h.step(100, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(tables, catalog_.listTables(databasePath()));
    return okStatus();
  });
  if (h.test(102, [&] { return !tables.has_value(); })) {
    tables.reset();
    return;
  }
  h.step(106, [&] { return catalog_.fillTableList(tablePage_().tableList(), databasePath()); });
  h.step(108, [&] { tablePage_().showPage(); });
  h.step(110, [&] {
    hide();
    if (loading_) movedOnDuringLoad_ = true;
  });
}

void Form1::PushButton6_Click() {
  TrappedHandler h(window_.errors, handlerLocation("Form1", "PushButton6_Click"));
  OpenFileRequest request;
  std::string fileName;
  h.step(100, [&] { fileName.clear(); });
  h.step(102, [&] { request.flags = kOpenExplorer | kOpenLongNames | kOpenReadOnly; });
  h.step(104, [&] { request.title = kBrowseTitle; });
  h.step(106, [&] { request.filter = kBrowseFilter; });
  h.step(108, [&] { fileName = services_.fileDialogs.getOpenFileName(request); });
  if (h.test(110, [&] { return !fileName.empty(); })) {
    h.step(112, [&] { setText1(fileName); });
  }
}

std::string Form1::databasePath() const {
  return text1_->text().toStdString();
}
std::string Form1::databasePassword() const {
  return text2_->text().toStdString();
}

void Form1::setText1(const std::string& text) {
  text1_->setText(QString::fromStdString(text));
}

// A failed save is not reported: the box keeps its text, and the next change
// tries again.
void Form1::Text1_Change() {
  (void)services_.settings.saveSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kDatabaseKey,
                                       databasePath());
}

void Form1::Text2_Change() {
  (void)services_.settings.saveSetting(std::string(kSettingsApplication), std::string(kSettingsSection), kPasswordKey,
                                       databasePassword());
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  window_.program.endProgram();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && (watched == text1_ || watched == text2_)) {
    static_cast<QLineEdit*>(watched)->selectAll();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ledgerfen::shell
