#include "ledgerfen/editor/grid_header.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace ledgerfen::editor {
namespace {

constexpr const char* kFilterHelp =
    "Keeps the rows whose cell in this column:\n"
    "  text        contains the text (without regard to case)\n"
    "  =text       is the text, or the value (=12 keeps 12.00)\n"
    "  =           is empty\n"
    "  <>          is not empty\n"
    "  low..high   lies between the two (either may be left out: 100.. or ..2024-12-31)\n"
    "  \"text\"      contains the text as it is typed\n"
    "Enter, or a pause in typing, applies it; empty the box to show every row again.";

}  // namespace

GridHeader::GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  setSortIndicatorShown(false);
  connect(this, &QHeaderView::sectionResized, this, [this] { placeWidgets(); });
  connect(this, &QHeaderView::sectionMoved, this, [this] { placeWidgets(); });
  connect(this, &QHeaderView::sectionCountChanged, this, [this] { placeWidgets(); });
  connect(this, &QHeaderView::geometriesChanged, this, [this] { placeWidgets(); });
}

void GridHeader::addStrip(QWidget* strip) {
  strip->setParent(this);
  strip->installEventFilter(this);
  strips_.emplace_back(strip);
  updateGeometry();
  emit geometriesChanged();
}

void GridHeader::setFilterColumns(int count) {
  for (QLineEdit* box : boxes_) delete box;
  for (QTimer* pause : pauses_) delete pause;
  boxes_.clear();
  pauses_.clear();
  for (int column = 0; column < count; ++column) {
    auto* box = new QLineEdit(viewport());
    box->setObjectName(QString("FilterBox%1").arg(column));
    box->setPlaceholderText(QStringLiteral("Filter"));
    box->setToolTip(QString::fromUtf8(kFilterHelp));
    box->setFrame(true);
    // Tab goes from the grid to the window's buttons; a click reaches the box.
    box->setFocusPolicy(Qt::ClickFocus);
    box->setClearButtonEnabled(false);
    auto* pause = new QTimer(this);
    pause->setSingleShot(true);
    pause->setInterval(kFilterPauseMs);
    connect(pause, &QTimer::timeout, this, [this, column] { takeFilter(column); });
    connect(box, &QLineEdit::textEdited, pause, qOverload<>(&QTimer::start));
    connect(box, &QLineEdit::returnPressed, this, [this, column, pause] {
      pause->stop();
      takeFilter(column);
    });
    box->show();
    boxes_.push_back(box);
    pauses_.push_back(pause);
  }
  updateGeometry();
  emit geometriesChanged();
  placeWidgets();
}

QLineEdit* GridHeader::filterBox(int column) const {
  return column >= 0 && size_t(column) < boxes_.size() ? boxes_[size_t(column)] : nullptr;
}

void GridHeader::markFilter(int column, const QString& error) {
  QLineEdit* box = filterBox(column);
  if (!box) return;
  QPalette palette = box->style()->standardPalette();
  if (!error.isEmpty()) palette.setColor(QPalette::Base, QColor(0xFF, 0xE0, 0xE0));
  box->setPalette(palette);
  box->setToolTip(error.isEmpty() ? QString::fromUtf8(kFilterHelp) : error + "\n\n" + QString::fromUtf8(kFilterHelp));
}

void GridHeader::takeFilter(int column) {
  if (QLineEdit* box = filterBox(column)) emit filterTyped(column, box->text());
}

int GridHeader::stripsHeight() const {
  int height = 0;
  for (const QPointer<QWidget>& strip : strips_) {
    if (!strip || strip->isHidden()) continue;
    height += strip->hasHeightForWidth() ? strip->heightForWidth(width()) : strip->sizeHint().height();
  }
  return height;
}

int GridHeader::titleHeight() const {
  return QHeaderView::sizeHint().height();
}

int GridHeader::filterHeight() const {
  return boxes_.empty() ? 0 : fontMetrics().height() + 8;
}

QSize GridHeader::sizeHint() const {
  QSize hint = QHeaderView::sizeHint();
  hint.setHeight(stripsHeight() + titleHeight() + filterHeight());
  return hint;
}

void GridHeader::placeWidgets() {
  int top = 0;
  for (const QPointer<QWidget>& strip : strips_) {
    if (!strip || strip->isHidden()) continue;
    const int height = strip->hasHeightForWidth() ? strip->heightForWidth(width()) : strip->sizeHint().height();
    strip->setGeometry(0, top, width(), height);
    strip->raise();
    top += height;
  }
  const int boxTop = top + titleHeight();
  for (int column = 0; column < int(boxes_.size()); ++column) {
    QLineEdit* box = boxes_[size_t(column)];
    if (column >= count() || isSectionHidden(column)) {
      box->hide();
      continue;
    }
    box->setGeometry(sectionViewportPosition(column), boxTop, sectionSize(column), filterHeight());
    box->show();
  }
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  QHeaderView::paintSection(painter, QRect(rect.x(), stripsHeight(), rect.width(), titleHeight()), logicalIndex);
}

void GridHeader::resizeEvent(QResizeEvent* event) {
  QHeaderView::resizeEvent(event);
  placeWidgets();
}

bool GridHeader::event(QEvent* event) {
  if (event->type() == QEvent::LayoutRequest) {
    updateGeometry();
    emit geometriesChanged();
  }
  return QHeaderView::event(event);
}

bool GridHeader::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::LayoutRequest) {
    updateGeometry();
    emit geometriesChanged();
  }
  return QHeaderView::eventFilter(watched, event);
}

}  // namespace ledgerfen::editor
