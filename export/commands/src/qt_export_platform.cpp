#include "ledgerfen/export/qt_export_platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <limits>

#include "ledgerfen/shell/qt_platform.h"

namespace ledgerfen::exporting {

std::string QtSaveFileDialogs::getSaveFileName(const SaveFileRequest& request) {
  const QString chosen = QFileDialog::getSaveFileName(
      QApplication::activeWindow(), QString::fromStdString(request.title), QString::fromStdString(request.fileName),
      shell::nameFiltersOf(request.filter).join(QLatin1String(";;")), nullptr,
      QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
  return chosen.toStdString();
}

namespace {

// How often the dialog shows the count, and with it how often the window is
// painted while an export runs.
constexpr qint64 kShowEveryMilliseconds = 50;

}  // namespace

QtExportProgress::~QtExportProgress() = default;

void QtExportProgress::begin(int64_t rows) {
  rows_ = std::max<int64_t>(rows, 0);
  rowsPerStep_ = rows_ / std::numeric_limits<int>::max() + 1;
  dialog_ = std::make_unique<QProgressDialog>(window_);
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setWindowTitle(window_ ? window_->window()->windowTitle() : QString());
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(1000);
  dialog_->setRange(0, int(rows_ / rowsPerStep_));
  show(0);
}

bool QtExportProgress::advance(int64_t done) {
  if (!dialog_) return true;
  // Cancel is seen only while the dialog takes events, which it does as it shows the count.
  if (sinceShown_.elapsed() >= kShowEveryMilliseconds || done >= rows_) show(done);
  return !dialog_->wasCanceled();
}

void QtExportProgress::end() {
  dialog_.reset();
}

void QtExportProgress::show(int64_t done) {
  const QLocale locale;
  dialog_->setLabelText(QStringLiteral("Exporting the table: %1 of %2 rows done.")
                            .arg(locale.toString(qlonglong(done)), locale.toString(qlonglong(rows_))));
  dialog_->setValue(int(done / rowsPerStep_));
  sinceShown_.start();
}

}  // namespace ledgerfen::exporting
