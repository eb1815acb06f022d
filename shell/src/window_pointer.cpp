#include "ledgerfen/shell/window_pointer.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

namespace ledgerfen::shell {

WindowPointer::WindowPointer(QWidget& window) : QObject(&window), window_(window) {}

void WindowPointer::setMousePointer(int pointer) {
  pointer_ = pointer;
  apply();
}

void WindowPointer::setMouseIcon(const QCursor& icon) {
  icon_ = icon;
  if (pointer_ == kCustom) apply();
}

void WindowPointer::apply() {
  switch (pointer_) {
    case kBusy: window_.setCursor(Qt::WaitCursor); break;
    case kCustom: window_.setCursor(icon_ ? *icon_ : QCursor(Qt::PointingHandCursor)); break;
    default: window_.unsetCursor(); break;
  }
}

void WindowPointer::showHandOver(QWidget* widget) {
  handWidgets_.emplace_back(widget);
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
}

void WindowPointer::showDefaultOver(QWidget* widget) {
  defaultWidgets_.emplace_back(widget);
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
}

bool WindowPointer::isHandWidget(const QWidget* widget) const {
  return std::any_of(handWidgets_.begin(), handWidgets_.end(),
                     [widget](const QPointer<QWidget>& w) { return w.data() == widget; });
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove && event->type() != QEvent::Enter) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || pointer_ == kBusy) return false;
  if (isHandWidget(widget)) {
    setMousePointer(kCustom);
    return false;
  }
  // A move over a push button that the button leaves unhandled travels on
  // to the widgets under it; only the button's own move counts then.
  QPointF position = event->type() == QEvent::MouseMove ? static_cast<QMouseEvent*>(event)->position()
                                                        : static_cast<QEnterEvent*>(event)->position();
  for (QWidget* under = widget->childAt(position.toPoint()); under && under != widget; under = under->parentWidget()) {
    if (isHandWidget(under)) return false;
  }
  setMousePointer(kDefault);
  return false;
}

}  // namespace ledgerfen::shell
