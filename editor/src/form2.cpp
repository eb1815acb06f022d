#include "ledgerfen/editor/form2.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/hand_pointer.h"
#include "ledgerfen/shell/product.h"

namespace ledgerfen::editor {

using shell::arialFont;
using shell::twips;
using shell::twipsRect;

void ListBoxControl::clear() {
  list_.clear();
}
void ListBoxControl::addItem(const std::string& text) {
  list_.addItem(QString::fromStdString(text));
}
int ListBoxControl::count() const {
  return list_.count();
}
void ListBoxControl::select(int index) {
  list_.setCurrentRow(index);
}

namespace {

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

Form2::Form2(shell::WindowServices& window, QWidget& databasePage, TablePageForward* forward)
    : window_(window),
      databasePage_(databasePage),
      forward_(forward),
      pointer_(*this),
      list1_(makeList(this)),
      listControl_(*list1_) {
  buildControls();
}

Form2::~Form2() = default;

void Form2::buildControls() {
  setObjectName(QStringLiteral("Form2"));
  setFixedSize(twips(5880), twips(2790));
  setFont(arialFont(9, true));

  frame1_ = new QGroupBox(QStringLiteral("Which table do you want edit?"), this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  frame1_->setGeometry(twipsRect(120, 120, 5640, 2115));
  list1_->setParent(frame1_);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->setGeometry(twipsRect(240, 300, 5160, 1635));
  pushButton2_ = makeButton("PushButton2", "< Back", this, twipsRect(120, 2360, 2775, 405));
  pushButton3_ = makeButton("PushButton3", "Next >", this, twipsRect(3000, 2360, 2760, 405));

  setTabOrder(list1_, pushButton2_);
  setTabOrder(pushButton2_, pushButton3_);
  list1_->setFocus();

  connect(pushButton2_, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
  connect(pushButton3_, &QPushButton::clicked, this, [this] { PushButton3_Click(); });

  for (QWidget* button : {pushButton2_, pushButton3_}) pointer_.showHandOver(button);
  for (QWidget* surface : std::initializer_list<QWidget*>{this, frame1_, list1_, list1_->viewport()}) {
    pointer_.showDefaultOver(surface);
  }
}

void Form2::load() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Form2::Form_Load() {
  shell::TrappedHandler h(window_.errors, shell::kTablePageReports.load);
  h.step(100, [&] { shell::applyWindowColors(*this); });
  h.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
  shell::loadHandPointer(h, 106, window_, pointer_);
  h.step(110, [&] { setWindowTitle(QString::fromUtf8(shell::kProductName.data(), shell::kProductName.size())); });
  if (h.test(114, [&] { return list1_->count() > 0; })) list1_->setCurrentRow(0);
}

void Form2::showPage() {
  load();
  if (!shownBefore_) {
    shownBefore_ = true;
    shell::centreOnScreen(*this);
  }
  show();
}

void Form2::PushButton2_Click() {
  shell::TrappedHandler h(window_.errors, shell::kTablePageReports.back);
  h.step(100, [&] { databasePage_.show(); });
  h.step(102, [&] { hide(); });
}

void Form2::PushButton3_Click() {
  if (forward_) forward_->PushButton3_Click(*this);
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  window_.program.endProgram();
}

}  // namespace ledgerfen::editor
