#include "ledgerfen/editor/table_editor_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/hand_pointer.h"
#include "ledgerfen/shell/product.h"
#include "ledgerfen/shell/report_locations.h"

namespace ledgerfen::editor {

using shell::arialFont;
using shell::twips;
using shell::twipsRect;

namespace {

constexpr const shell::TableEditorReports& kReports = shell::kTableEditorReports;

const char* const kStillOrdering =
    "The grid is still being sorted or filtered. Export once the status line shows the record count again, or "
    "press Esc in the grid to stop.";

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

TableEditorWindow::TableEditorWindow(shell::WindowServices& window, QWidget& tablePage)
    : window_(window), tablePage_(tablePage), pointer_(*this) {
  buildControls();
}

TableEditorWindow::~TableEditorWindow() = default;

// The object names are those skins address the controls by.
void TableEditorWindow::buildControls() {
  setObjectName(QStringLiteral("Form3"));
  // The controls keep their places whatever size the window is given.
  resize(twips(14520), twips(7530));
  setFont(arialFont(9, true));
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  tableLabel_ = new QLabel(QStringLiteral(" Table: "), this);
  tableLabel_->setObjectName(QStringLiteral("Label2"));
  tableLabel_->setGeometry(twipsRect(120, 120, 4695, 255));
  tableLabel_->setFont(arialFont(9, true));
  tableLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  grid_ = new DataGrid(window_.messages, this);
  grid_->setObjectName(QStringLiteral("DataGrid1"));
  grid_->setGeometry(twipsRect(120, 360, 14280, 6525));

  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("GridStatus"));
  statusLabel_->setGeometry(twipsRect(4935, 120, 9465, 255));
  statusLabel_->setFont(arialFont(9, false));
  statusLabel_->setAlignment(Qt::AlignRight | Qt::AlignTop);
  connect(grid_, &DataGrid::statusChanged, statusLabel_, [this] { statusLabel_->setText(grid_->statusText()); });

  backButton_ = makeButton("PushButton1", "< Back", this, twipsRect(120, 7000, 3495, 405));
  helpButton_ = makeButton("PushButton4", "Help", this, twipsRect(3720, 7000, 3375, 405));
  exportButton_ = makeButton("PushButton6", "Export Table As..", this, twipsRect(7200, 7000, 3600, 405));
  quitButton_ = makeButton("PushButton3", "Quit", this, twipsRect(10920, 7000, 3480, 405));

  exportMenu_ = new QMenu(QStringLiteral("Save As"), this);
  exportMenu_->setObjectName(QStringLiteral("mnuSaveAs"));
  struct Item {
    const char* caption;
    const char* name;
    void (TableEditorWindow::*handler)();
  };
  const Item items[] = {{"TXT", "mnuTXT", &TableEditorWindow::onExportTxt},
                        {"XLS", "mnuXLS", &TableEditorWindow::onExportXls},
                        {"CSV", "mnuCSV", &TableEditorWindow::onExportCsv},
                        {"PDF", "mnuPDF", &TableEditorWindow::onExportPdf},
                        {"XML", "mnuXML", &TableEditorWindow::onExportXml}};
  for (const Item& item : items) {
    QAction* action = exportMenu_->addAction(QString::fromUtf8(item.caption));
    action->setObjectName(QString::fromUtf8(item.name));
    connect(action, &QAction::triggered, this, [this, handler = item.handler] { (this->*handler)(); });
  }

  setTabOrder(grid_, backButton_);
  setTabOrder(backButton_, quitButton_);
  setTabOrder(quitButton_, exportButton_);
  setTabOrder(exportButton_, helpButton_);

  connect(backButton_, &QPushButton::clicked, this, [this] { onBackClicked(); });
  connect(helpButton_, &QPushButton::clicked, this, [this] { onHelpClicked(); });
  connect(exportButton_, &QPushButton::clicked, this, [this] { onExportClicked(); });
  connect(quitButton_, &QPushButton::clicked, this, [this] { onQuitClicked(); });

  for (QWidget* button : {backButton_, quitButton_, helpButton_, exportButton_}) pointer_.showHandOver(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, tableLabel_, statusLabel_, grid_, grid_->viewport()}) {
    pointer_.showDefaultOver(surface);
  }
}

void TableEditorWindow::load() {
  if (loaded_) return;
  loaded_ = true;
  onLoad();
}

void TableEditorWindow::showPage() {
  load();
  if (!shownBefore_) {
    shownBefore_ = true;
    shell::centreOnScreen(*this);
  }
  show();
}

void TableEditorWindow::onLoad() {
  shell::TrappedHandler h(window_.errors, kReports.load);
  h.step(100, [&] { shell::applyWindowColors(*this); });
  h.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
  shell::loadHandPointer(h, 106, window_, pointer_);
  h.step(110, [&] { setWindowTitle(QString::fromUtf8(shell::kProductName.data(), shell::kProductName.size())); });
}

bool TableEditorWindow::settlePendingRow() {
  Status written = grid_->commitPendingRow();
  if (written) return true;
  const shell::MessageAnswer answer = window_.messages.show(written.error().message() + kStayQuestion,
                                                            shell::MessageButtons::YesNo, shell::MessageIcon::Warning);
  if (answer == shell::MessageAnswer::Yes) {
    grid_->showPendingRow();
    return false;
  }
  grid_->revertPendingRow();
  return true;
}

void TableEditorWindow::onBackClicked() {
  if (!settlePendingRow()) return;
  shell::TrappedHandler h(window_.errors, kReports.back);
  h.step(100, [&] { tablePage_.show(); });
  h.step(102, [&] { hide(); });
}

void TableEditorWindow::onHelpClicked() {
  shell::TrappedHandler h(window_.errors, kReports.help);
  h.step(100, [&] { window_.messages.show(kHelpText); });
}

void TableEditorWindow::onExportClicked() {
  shell::TrappedHandler h(window_.errors, kReports.exportMenu);
  h.step(106, [&] { exportMenu_->popup(QCursor::pos()); });
}

void TableEditorWindow::onQuitClicked() {
  if (!settlePendingRow()) return;
  shell::TrappedHandler h(window_.errors, kReports.quit);
  h.step(100, [&] { window_.program.endProgram(); });
}

void TableEditorWindow::runExport(void (ExportCommands::*command)()) {
  if (!settlePendingRow()) return;
  // The export writes the rows as the grid shows them: not while they are
  // being put in another order.
  grid_->views().showWaitingResult();
  if (grid_->views().busy() || grid_->views().hasWaitingResult()) {
    window_.messages.show(kStillOrdering, shell::MessageButtons::Ok, shell::MessageIcon::Warning);
    return;
  }
  if (exports_) (exports_->*command)();
}

void TableEditorWindow::onExportTxt() {
  runExport(&ExportCommands::exportTxt);
}
void TableEditorWindow::onExportXls() {
  runExport(&ExportCommands::exportXls);
}
void TableEditorWindow::onExportCsv() {
  runExport(&ExportCommands::exportCsv);
}
void TableEditorWindow::onExportPdf() {
  runExport(&ExportCommands::exportPdf);
}
void TableEditorWindow::onExportXml() {
  runExport(&ExportCommands::exportXml);
}

void TableEditorWindow::closeEvent(QCloseEvent* event) {
  if (!settlePendingRow()) {
    event->ignore();
    return;
  }
  event->accept();
  window_.program.endProgram();
}

}  // namespace ledgerfen::editor
