#include "ledgerfen/shell/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

namespace ledgerfen::shell {
namespace {

QString caseInsensitivePattern(const QString& pattern) {
  QString out;
  for (QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

QString displayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

QStringList nameFiltersOf(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      patterns << caseInsensitivePattern(pattern.trimmed());
    }
    if (description.isEmpty() || patterns.isEmpty()) continue;
    filters << description + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}

MessageAnswer QtMessageBoxes::show(const MessageRequest& request) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(request.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(displayText(request.text));
  box.setIcon(request.icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
  if (request.buttons == MessageButtons::YesNo || request.buttons == MessageButtons::YesNoDefaultNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(request.buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  box.exec();
  return MessageAnswer::Ok;
}

std::string QtFileDialogs::getOpenFileName(const OpenFileRequest& request) {
  const QString chosen = QFileDialog::getOpenFileName(
      QApplication::activeWindow(), QString::fromStdString(request.title), QString(),
      nameFiltersOf(request.filter).join(QLatin1String(";;")), nullptr, QFileDialog::HideNameFilterDetails);
  return chosen.toStdString();
}

void QtWebBrowser::openAddress(const std::string& address) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtProgramControl::endProgram() {
  ended_ = true;
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

}  // namespace ledgerfen::shell
