#include "ledgerfen/export/qt_export_platform.h"

#include <QApplication>
#include <QFileDialog>

#include "ledgerfen/shell/qt_platform.h"

namespace ledgerfen::exporting {

std::string QtSaveFileDialogs::getSaveFileName(const SaveFileRequest& request) {
  const QString chosen = QFileDialog::getSaveFileName(
      QApplication::activeWindow(), QString::fromStdString(request.title), QString::fromStdString(request.fileName),
      shell::nameFiltersOf(request.filter).join(QLatin1String(";;")), nullptr,
      QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
  return chosen.toStdString();
}

}  // namespace ledgerfen::exporting
