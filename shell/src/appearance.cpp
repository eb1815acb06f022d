#include "ledgerfen/shell/appearance.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include "ledgerfen/shell/program_folder.h"

namespace ledgerfen::shell {
namespace {

void paintButtonFace(QWidget& widget, const QColor& face) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, face);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

}  // namespace

QPixmap drawApplicationIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  // A ledger: a teal book with a white page ruled into rows and a column.
  QPainterPath book;
  book.addRoundedRect(QRectF(4, 4, 56, 56), 9, 9);
  p.fillPath(book, QColor(0x1f, 0x6f, 0x78));
  p.fillRect(QRectF(14, 12, 38, 40), Qt::white);
  p.setPen(QPen(QColor(0x1f, 0x6f, 0x78), 2.5));
  for (int row = 0; row < 4; ++row) p.drawLine(QLineF(18, 21 + row * 8, 48, 21 + row * 8));
  p.setPen(QPen(QColor(0xe0, 0x8a, 0x1e), 2.5));
  p.drawLine(QLineF(27, 15, 27, 49));
  return pixmap;
}

QFont arialFont(double points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(qRound(points * 96.0 / 72.0));
  font.setBold(bold);
  return font;
}

void centreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), screen->availableGeometry()));
}

QColor buttonFaceColor() {
  return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void applyWindowColors(QWidget& window) {
  const QColor face = buttonFaceColor();
  paintButtonFace(window, face);
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child) || qobject_cast<QCheckBox*>(child) ||
        qobject_cast<QRadioButton*>(child)) {
      paintButtonFace(*child, face);
    }
  }
}

Status applySkin(QWidget& page, const std::string& programFolder) {
  const QString path = QString::fromStdString(programFile(programFolder, kSkinFile));
  QFileInfo info(path);
  if (!info.isFile() || info.isHidden()) return okStatus();
  applyWindowColors(page);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Error(ErrorKind::Io,
                 "The skin file " + path.toStdString() + " cannot be read: " + file.errorString().toStdString());
  }
  const QString sheet = QString::fromUtf8(file.readAll());
  if (file.error() != QFileDevice::NoError) {
    return Error(ErrorKind::Io,
                 "The skin file " + path.toStdString() + " cannot be read: " + file.errorString().toStdString());
  }
  qApp->setStyleSheet(sheet);
  return okStatus();
}

QIcon applicationIcon() {
  QIcon icon;
  for (int size : kApplicationIconSizes) icon.addPixmap(drawApplicationIcon(size));
  return icon;
}

}  // namespace ledgerfen::shell
