// The Save dialog as the desktop shows it (offscreen): its title and
// filter, the path it proposes, and what it returns: the name as typed, no
// extension added, no question about an existing file.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "ledgerfen/export/qt_export_platform.h"
#include "qt_test_main.h"

using namespace ledgerfen;

namespace {

// Runs `act` on the file dialog once it is open, then accepts it.
void whenDialogOpens(const std::function<void(QFileDialog&)>& act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog);
    act(*dialog);
  });
}

void typeAndAccept(QFileDialog& dialog, const QString& name) {
  auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(field);
  field->setText(name);
  static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept, as the Save button does
}

}  // namespace

class QtSaveDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTitleFilterAndProposalAndReturnsTheNameAsTyped() {
    QTemporaryDir dir;
    const QString proposal = dir.filePath("table.csv");
    QString title, filter, folder;
    whenDialogOpens([&](QFileDialog& dialog) {
      title = dialog.windowTitle();
      filter = dialog.selectedNameFilter();
      folder = dialog.directory().absolutePath();
      typeAndAccept(dialog, QStringLiteral("report"));
    });
    exporting::QtSaveFileDialogs dialogs;
    const std::string chosen = dialogs.getSaveFileName({"Save", "CSV Files (*.csv)|*.csv", proposal.toStdString()});
    QCOMPARE(title, QStringLiteral("Save"));
    QVERIFY2(filter.startsWith(QStringLiteral("CSV Files (*.csv)")), qPrintable(filter));
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(QString::fromStdString(chosen), dir.filePath("report"));
  }

  void anExistingFileIsChosenWithoutAQuestion() {
    QTemporaryDir dir;
    QFile existing(dir.filePath("old.txt"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    bool asked = false;
    whenDialogOpens([&](QFileDialog& dialog) {
      QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          asked = true;
          box->done(QMessageBox::Yes);
        }
      });
      typeAndAccept(dialog, dir.filePath("old.txt"));
    });
    exporting::QtSaveFileDialogs dialogs;
    const std::string chosen = dialogs.getSaveFileName({"Save", "Text Files (*.txt)|*.txt", ""});
    QCoreApplication::processEvents();
    QVERIFY(!asked);
    QCOMPARE(QString::fromStdString(chosen), dir.filePath("old.txt"));
  }

  void cancellingGivesEmptyText() {
    whenDialogOpens([](QFileDialog& dialog) { static_cast<QDialog&>(dialog).reject(); });
    exporting::QtSaveFileDialogs dialogs;
    QCOMPARE(dialogs.getSaveFileName({"Save", "XML Files (*.xml)|*.xml", ""}), std::string());
  }
};

LEDGERFEN_QTEST_MAIN(QtSaveDialogTest)
#include "qt_save_dialog_test.moc"
