// The progress dialog of a long export, as the desktop shows it (offscreen):
// a CSV export of a large generated table brings it up with the rows done
// of the rows, and its Cancel button stops the export with the old file
// whole and nothing reported.
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "command_fakes.h"
#include "ledgerfen/export/qt_export_platform.h"
#include "ledgerfen/export/save_commands.h"
#include "qt_test_main.h"
#include "support/fixtures.h"

using namespace ledgerfen;

namespace {

// A table of many rows made as they are read: an ID and a line of text.
class GeneratedGrid final : public exporting::GridReader {
 public:
  explicit GeneratedGrid(int64_t rows) : rows_(rows) {}
  int columnCount() const override { return 2; }
  std::string columnCaption(int column) const override { return column == 0 ? "ID" : "Text"; }
  int64_t rowCount() const override { return rows_; }
  Status goToRow(int64_t row) override {
    current_ = row;
    return okStatus();
  }
  Result<std::string> cellText(int column) override {
    if (column == 0) return std::to_string(current_);
    return "row " + std::to_string(current_) + " of a table that takes long to export";
  }

 private:
  int64_t rows_;
  int64_t current_ = 0;
};

}  // namespace

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cancelInTheDialogStopsTheExportAndKeepsTheOldFile() {
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/orders.csv";
    std::ofstream(path) << "old contents";
    QWidget window;
    window.setWindowTitle(QStringLiteral("Orders"));
    window.show();

    exporting::QtExportProgress progress(&window);
    test::FakeSaveDialogs dialogs;
    dialogs.answers = {path};
    test::FakePointer pointer;
    test::RecordedMessageBoxes boxes;
    shell::MessageService messages(boxes);
    shell::ErrorReporter errors(messages);
    // Far more rows than the test waits for: the export runs until Cancel.
    GeneratedGrid grid(200'000'000);
    exporting::SaveCommands commands(grid, dialogs, pointer, progress, errors);

    QString shownText;
    QTimer pressCancel;
    QObject::connect(&pressCancel, &QTimer::timeout, [&] {
      QProgressDialog* dialog = progress.dialog();
      if (!dialog || !dialog->isVisible()) return;
      shownText = dialog->labelText();
      auto* cancel = dialog->findChild<QPushButton*>();
      QVERIFY(cancel);
      cancel->click();
      pressCancel.stop();
    });
    pressCancel.start(20);
    commands.exportCsv();

    QVERIFY2(shownText.startsWith(QStringLiteral("Exporting the table: ")), qPrintable(shownText));
    const QString rows = QLocale().toString(qlonglong(200'000'000));
    QVERIFY2(shownText.endsWith(QStringLiteral(" of %1 rows done.").arg(rows)), qPrintable(shownText));
    QVERIFY(progress.dialog() == nullptr);
    QCOMPARE(test::readFileText(path), std::string("old contents"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(folder.path().toStdString()),
                           std::filesystem::directory_iterator()),
             1);
    QVERIFY(boxes.shown.empty());
    QCOMPARE(pointer.mousePointer(), 0);
  }
};

LEDGERFEN_QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
