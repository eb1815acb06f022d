#include "ledgerfen/editor/form3.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/hand_pointer.h"
#include "ledgerfen/shell/product.h"

namespace ledgerfen::editor {

using shell::arialFont;
using shell::twips;
using shell::twipsRect;

namespace {

const char* const kStayQuestion =
    "\r\n\r\nThe changes to this row could not be saved. Do you want to stay and correct them?"
    "\r\n(No discards the changes.)";

QPushButton* makeButton(const char* name, const char* caption, QWidget* parent, const QRect& geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(geometry);
  button->setFont(arialFont(11.25, true));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

Form3::Form3(shell::WindowServices& window, QWidget& tablePage)
    : window_(window), tablePage_(tablePage), pointer_(*this) {
  buildControls();
}

Form3::~Form3() = default;

void Form3::buildControls() {
  setObjectName(QStringLiteral("Form3"));
  // The controls keep their places whatever size the window is given.
  resize(twips(14520), twips(7530));
  setFont(arialFont(9, true));
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  label2_ = new QLabel(QStringLiteral(" Table: "), this);
  label2_->setObjectName(QStringLiteral("Label2"));
  label2_->setGeometry(twipsRect(120, 120, 4695, 255));
  label2_->setFont(arialFont(9, true));
  label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  dataGrid1_ = new DataGrid(window_.messages, this);
  dataGrid1_->setObjectName(QStringLiteral("DataGrid1"));
  dataGrid1_->setGeometry(twipsRect(120, 360, 14280, 6525));

  pushButton1_ = makeButton("PushButton1", "< Back", this, twipsRect(120, 7000, 3495, 405));
  pushButton4_ = makeButton("PushButton4", "Help", this, twipsRect(3720, 7000, 3375, 405));
  pushButton6_ = makeButton("PushButton6", "Export Table As..", this, twipsRect(7200, 7000, 3600, 405));
  pushButton3_ = makeButton("PushButton3", "Quit", this, twipsRect(10920, 7000, 3480, 405));

  mnuSaveAs_ = new QMenu(QStringLiteral("Save As"), this);
  mnuSaveAs_->setObjectName(QStringLiteral("mnuSaveAs"));
  const std::pair<const char*, void (Form3::*)()> items[] = {{"TXT", &Form3::mnuTXT_Click},
                                                             {"XLS", &Form3::mnuXLS_Click},
                                                             {"CSV", &Form3::mnuCSV_Click},
                                                             {"PDF", &Form3::mnuPDF_Click},
                                                             {"XML", &Form3::mnuXML_Click}};
  for (const auto& [caption, handler] : items) {
    QAction* item = mnuSaveAs_->addAction(QString::fromUtf8(caption));
    item->setObjectName(QStringLiteral("mnu") + QString::fromUtf8(caption));
    connect(item, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
  }

  setTabOrder(dataGrid1_, pushButton1_);
  setTabOrder(pushButton1_, pushButton3_);
  setTabOrder(pushButton3_, pushButton6_);
  setTabOrder(pushButton6_, pushButton4_);

  connect(pushButton1_, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(pushButton4_, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
  connect(pushButton6_, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
  connect(pushButton3_, &QPushButton::clicked, this, [this] { PushButton3_Click(); });

  for (QWidget* button : {pushButton1_, pushButton3_, pushButton4_, pushButton6_}) pointer_.showHandOver(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, label2_, dataGrid1_, dataGrid1_->viewport()}) {
    pointer_.showDefaultOver(surface);
  }
}

void Form3::load() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Form3::showPage() {
  load();
  if (!shownBefore_) {
    shownBefore_ = true;
    shell::centreOnScreen(*this);
  }
  show();
}

void Form3::Form_Load() {
  shell::TrappedHandler h(window_.errors, shell::kTableEditorReports.load);
  h.step(100, [&] { shell::applyWindowColors(*this); });
  h.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
  shell::loadHandPointer(h, 106, window_, pointer_);
  h.step(110, [&] { setWindowTitle(QString::fromUtf8(shell::kProductName.data(), shell::kProductName.size())); });
}

bool Form3::settlePendingRow() {
  Status written = dataGrid1_->commitPendingRow();
  if (written) return true;
  const shell::MessageAnswer answer = window_.messages.show(written.error().message() + kStayQuestion,
                                                            shell::MessageButtons::YesNo, shell::MessageIcon::Warning);
  if (answer == shell::MessageAnswer::Yes) {
    dataGrid1_->showPendingRow();
    return false;
  }
  dataGrid1_->revertPendingRow();
  return true;
}

void Form3::PushButton1_Click() {
  if (!settlePendingRow()) return;
  shell::TrappedHandler h(window_.errors, shell::kTableEditorReports.back);
  h.step(100, [&] { tablePage_.show(); });
  h.step(102, [&] { hide(); });
}

void Form3::PushButton4_Click() {
  shell::TrappedHandler h(window_.errors, shell::kTableEditorReports.help);
  h.step(100, [&] { window_.messages.show(kHelpText); });
}

void Form3::PushButton6_Click() {
  shell::TrappedHandler h(window_.errors, shell::kTableEditorReports.exportMenu);
  h.step(106, [&] { mnuSaveAs_->popup(QCursor::pos()); });
}

void Form3::PushButton3_Click() {
  if (!settlePendingRow()) return;
  shell::TrappedHandler h(window_.errors, shell::kTableEditorReports.quit);
  h.step(100, [&] { window_.program.endProgram(); });
}

void Form3::runExport(void (ExportCommands::*command)()) {
  if (!settlePendingRow()) return;
  if (exports_) (exports_->*command)();
}

void Form3::mnuTXT_Click() {
  runExport(&ExportCommands::exportTxt);
}
void Form3::mnuXLS_Click() {
  runExport(&ExportCommands::exportXls);
}
void Form3::mnuCSV_Click() {
  runExport(&ExportCommands::exportCsv);
}
void Form3::mnuPDF_Click() {
  runExport(&ExportCommands::exportPdf);
}
void Form3::mnuXML_Click() {
  runExport(&ExportCommands::exportXml);
}

void Form3::closeEvent(QCloseEvent* event) {
  if (!settlePendingRow()) {
    event->ignore();
    return;
  }
  event->accept();
  window_.program.endProgram();
}

}  // namespace ledgerfen::editor
