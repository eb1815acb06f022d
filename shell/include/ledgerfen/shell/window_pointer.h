// The pointer convention of a window: one pointer setting for the whole
// window, with the values 0 (default), 11 (busy) and 99 (the window's custom
// image, the hand pointer). Moving the mouse over a push button shows the
// custom image, over the window's surface, a text box, a frame or a list the
// default; neither replaces the busy pointer, which long work sets and
// clears. Without a custom image, 99 shows the desktop's pointing hand.
#pragma once

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <optional>
#include <vector>

class QWidget;

namespace ledgerfen::shell {

class WindowPointer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDefault = 0;
  static constexpr int kBusy = 11;
  static constexpr int kCustom = 99;

  explicit WindowPointer(QWidget& window);

  int mousePointer() const { return pointer_; }
  void setMousePointer(int pointer);

  bool hasMouseIcon() const { return icon_.has_value(); }
  void setMouseIcon(const QCursor& icon);

  // Widgets over which a mouse move asks for the custom image (push
  // buttons) or for the default pointer (the window, text boxes, frames, lists).
  void showHandOver(QWidget* widget);
  void showDefaultOver(QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void apply();
  bool isHandWidget(const QWidget* widget) const;

  QWidget& window_;
  int pointer_ = kDefault;
  std::optional<QCursor> icon_;
  std::vector<QPointer<QWidget>> handWidgets_;
  std::vector<QPointer<QWidget>> defaultWidgets_;
};

}  // namespace ledgerfen::shell
