#include "ledgerfen/shell/table_page.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/hand_pointer.h"
#include "ledgerfen/shell/product.h"
#include "ledgerfen/shell/report_locations.h"

namespace ledgerfen::shell {

void TableListBox::clear() {
  list_.clear();
}
void TableListBox::addItem(const std::string& text) {
  list_.addItem(QString::fromStdString(text));
}
int TableListBox::count() const {
  return list_.count();
}
void TableListBox::select(int index) {
  list_.setCurrentRow(index);
}

namespace {

constexpr const TablePageReports& kReports = kTablePageReports;

QPushButton* makeButton(const char* name, const char* caption, QWidget* parent, const QRect& geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(geometry);
  button->setFont(arialFont(11.25, true));
  button->setAutoDefault(false);
  return button;
}

// A single-selection list that keeps the order its entries come in.
QListWidget* makeList(QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSortingEnabled(false);
  return list;
}

}  // namespace

TablePage::TablePage(WindowServices& window, QWidget& databasePage, TableOpener* opener)
    : window_(window),
      databasePage_(databasePage),
      opener_(opener),
      pointer_(*this),
      tableList_(makeList(this)),
      listControl_(*tableList_) {
  buildControls();
}

TablePage::~TablePage() = default;

// The object names are those skins address the controls by.
void TablePage::buildControls() {
  setObjectName(QStringLiteral("Form2"));
  setFixedSize(twips(5880), twips(2790));
  setFont(arialFont(9, true));

  tablesFrame_ = new QGroupBox(QStringLiteral("Which table do you want edit?"), this);
  tablesFrame_->setObjectName(QStringLiteral("Frame1"));
  tablesFrame_->setGeometry(twipsRect(120, 120, 5640, 2115));
  tableList_->setParent(tablesFrame_);
  tableList_->setObjectName(QStringLiteral("List1"));
  tableList_->setGeometry(twipsRect(240, 300, 5160, 1635));
  backButton_ = makeButton("PushButton2", "< Back", this, twipsRect(120, 2360, 2775, 405));
  nextButton_ = makeButton("PushButton3", "Next >", this, twipsRect(3000, 2360, 2760, 405));

  setTabOrder(tableList_, backButton_);
  setTabOrder(backButton_, nextButton_);
  tableList_->setFocus();

  connect(backButton_, &QPushButton::clicked, this, [this] { onBackClicked(); });
  connect(nextButton_, &QPushButton::clicked, this, [this] { onNextClicked(); });

  for (QWidget* button : {backButton_, nextButton_}) pointer_.showHandOver(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, tablesFrame_, tableList_, tableList_->viewport()}) {
    pointer_.showDefaultOver(surface);
  }
}

void TablePage::load() {
  if (loaded_) return;
  loaded_ = true;
  onLoad();
}

void TablePage::onLoad() {
  TrappedHandler h(window_.errors, kReports.load);
  h.step(100, [&] { applyWindowColors(*this); });
  h.step(102, [&] { setWindowIcon(applicationIcon()); });
  loadHandPointer(h, 106, window_, pointer_);
  h.step(110, [&] { setWindowTitle(QString::fromUtf8(kProductName.data(), kProductName.size())); });
  if (h.test(114, [&] { return tableList_->count() > 0; })) tableList_->setCurrentRow(0);
}

void TablePage::showPage() {
  load();
  if (!shownBefore_) {
    shownBefore_ = true;
    centreOnScreen(*this);
  }
  show();
}

void TablePage::onBackClicked() {
  TrappedHandler h(window_.errors, kReports.back);
  h.step(100, [&] { databasePage_.show(); });
  h.step(102, [&] { hide(); });
}

void TablePage::onNextClicked() {
  if (opener_) opener_->openChosenTable(*this);
}

void TablePage::closeEvent(QCloseEvent* event) {
  event->accept();
  window_.program.endProgram();
}

}  // namespace ledgerfen::shell
