// The table editor on the road a person takes: start-up, the table page's
// "Next >", then the grid: edits written when the row is left and read back
// from the file, refused writes that keep the typing, rows added and
// deleted, going back to another table, the buttons, the export menu, a
// database that can only be read, and the grid reader the exports use.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "canonical/canonical_dump.h"
#include "desktop_exports.h"
#include "editor_steps.h"
#include "harness.h"
#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/database.h"
#include "ledgerfen/editor/data_grid.h"
#include "ledgerfen/editor/table_editor_window.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/shell/appearance.h"
#include "printing_fakes.h"
#include "qt_test_main.h"
#include "support/fixtures.h"
#include "support/oracles.h"
#include "support/temp_dir.h"

using namespace ledgerfen;
using test::expectOracleAgrees;
using test::Harness;
using test::kTypesFile;
using test::leaveRow;
using test::openCellEditor;
using test::openEditor;
using test::rowMark;
using test::rowsOnFile;
using test::shown;
using test::typeInto;

namespace {

// Table1 with an AutoNumber ID, a primary key on it and calculated columns;
// its kept row count (3) is one short of its rows.
const char* const kAutoNumberFile = "jackcess/V2010/calcFieldTestV2010.accdb";
// Three tables of three text columns.
const char* const kThreeTablesFile = "jackcess/V2003/queryTestV2003.mdb";

struct RecordingExports : editor::ExportCommands {
  exporting::GridReader* grid = nullptr;
  std::vector<std::string> calls;
  std::vector<std::string> firstRowSeen;
  void note(const char* what) {
    calls.push_back(what);
    if (grid && grid->rowCount() > 0 && grid->goToRow(1).ok()) {
      firstRowSeen.clear();
      for (int c = 0; c < grid->columnCount(); ++c) firstRowSeen.push_back(grid->cellText(c).value());
    }
  }
  void exportTxt() override { note("TXT"); }
  void exportXls() override { note("XLS"); }
  void exportCsv() override { note("CSV"); }
  void exportPdf() override { note("PDF"); }
  void exportXml() override { note("XML"); }
};

}  // namespace

class TableEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void nextOpensTheChosenTableInTheEditor() {
    test::TempDir dir;
    Harness h;
    editor::TableEditorWindow& editor = openEditor(h, dir.copyFixture(kThreeTablesFile), "Table2");
    QVERIFY(editor.isVisible());
    QVERIFY(!h.tablePage()->isVisible());
    QCOMPARE(editor.tableLabel()->text(), QString(" Now Editing: Table2"));
    QCOMPARE(h.program->tableEditorOpener().currentTableName(), std::string("Table2"));
    editor::DataGrid& grid = *editor.grid();
    QVERIFY(grid.dataSource());
    QCOMPARE(grid.dataSource()->tableName(), std::string("Table2"));
    QCOMPARE(grid.model()->columnCount(), 3);
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QString("col1"));
    // Every record and the new-row line.
    QCOMPARE(grid.model()->rowCount(), int(grid.rowCount()) + 1);
    QCOMPARE(rowMark(grid, grid.model()->rowCount() - 1), QString("*"));
    QCOMPARE(h.tablePage()->pointer().mousePointer(), 0);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(editor.windowTitle(), QString("Ledgerfen Software"));
  }

  void layoutFollowsTheDesignAndIgnoresResizing() {
    test::TempDir dir;
    Harness h;
    editor::TableEditorWindow& editor = openEditor(h, dir.copyFixture(kThreeTablesFile), "Table1");
    QCOMPARE(editor.size(), QSize(968, 502));
    QCOMPARE(editor.font().pixelSize(), 12);
    QVERIFY(editor.font().bold());
    const std::vector<std::tuple<QWidget*, QRect, QString>> controls = {
        {editor.tableLabel(), QRect(8, 8, 313, 17), " Now Editing: Table1"},
        {editor.grid(), QRect(8, 24, 952, 435), ""},
        {editor.backButton(), QRect(8, 467, 233, 27), "< Back"},
        {editor.helpButton(), QRect(248, 467, 225, 27), "Help"},
        {editor.exportButton(), QRect(480, 467, 240, 27), "Export Table As.."},
        {editor.quitButton(), QRect(728, 467, 232, 27), "Quit"},
    };
    for (const auto& [widget, geometry, caption] : controls) {
      QCOMPARE(widget->geometry(), geometry);
      if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->font().pixelSize(), 15);
        QVERIFY(button->font().bold());
      }
    }
    QCOMPARE(editor.grid()->font().family(), QString("Arial"));
    QCOMPARE(editor.grid()->horizontalHeader()->font().pixelSize(), 12);
    QCOMPARE(editor.grid()->toolTip(), QString("Changes you make are automatically saved as you make them."));
    QCOMPARE(test::tabOrderFrom(editor.grid()),
             (QList<QWidget*>{editor.grid(), editor.backButton(), editor.quitButton(), editor.exportButton(),
                              editor.helpButton()}));
    QCOMPARE(editor.palette().color(QPalette::Window), shell::buttonFaceColor());
    QCOMPARE(editor.tableLabel()->palette().color(QPalette::Window), shell::buttonFaceColor());

    editor.resize(1200, 700);
    for (const auto& [widget, geometry, caption] : controls) QCOMPARE(widget->geometry(), geometry);

    QStringList items;
    for (QAction* item : editor.exportMenu()->actions()) items << item->objectName() + "=" + item->text();
    QCOMPARE(items, (QStringList{"mnuTXT=TXT", "mnuXLS=XLS", "mnuCSV=CSV", "mnuPDF=PDF", "mnuXML=XML"}));
  }

  void anEditIsWrittenWhenTheRowIsLeftAndReadsBackFromTheFile() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    QCOMPARE(shown(grid, 1, 6), QString("1974-09-21"));

    typeInto(grid, 1, 1, "changed text");
    typeInto(grid, 1, 6, "1850-07-04 12:30:00");  // before 1900
    typeInto(grid, 1, 7, "-12.3456");
    typeInto(grid, 1, 8, "No");
    typeInto(grid, 1, 5, "");  // NULL
    QCOMPARE(rowMark(grid, 1), QString::fromUtf8("\u270E"));
    // Nothing is written while the row is being edited.
    QCOMPARE(rowsOnFile(path, "Table1")[1].values[1], Value(std::string("hijklmnop")));

    leaveRow(grid, 0);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(rowMark(grid, 1), QString());
    const std::vector<Row> rows = rowsOnFile(path, "Table1");
    QCOMPARE(rows[1].values[1], Value(std::string("changed text")));
    Column date;
    date.type = ColumnType::DateTime;
    QCOMPARE(data::cellText(date, rows[1].values[6]), std::string("1850-07-04 12:30:00"));
    QCOMPARE(rows[1].values[7], Value(Currency{-123456}));
    QCOMPARE(rows[1].values[8], Value(false));
    QVERIFY(isNull(rows[1].values[5]));
    QCOMPARE(rows[0].values, rowsOnFile(test::fixtureNamed(kTypesFile).fullPath(), "Table1")[0].values);
    QCOMPARE(shown(grid, 1, 7), QString("-12.3456"));
    expectOracleAgrees(path);
  }

  void typingBackWhatWasThereWritesNothing() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    const auto before = std::filesystem::last_write_time(path);
    typeInto(grid, 0, 1, "x");
    typeInto(grid, 0, 1, "b");  // back to what it was
    typeInto(grid, 0, 3, "0");
    QVERIFY(!grid.hasPendingRow());
    typeInto(grid, 0, 7, "0.0000");  // another text for the same amount
    QVERIFY(grid.hasPendingRow());
    leaveRow(grid, 1);
    QVERIFY(h.messageBoxes.shown.empty());
    QVERIFY(!grid.hasPendingRow());
    QCOMPARE(std::filesystem::last_write_time(path), before);
  }

  void aRefusedWriteKeepsTheTypingMarkedUntilCorrectedOrUndone() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();

    // A key that the first row already has: the unique index refuses it.
    typeInto(grid, 1, 0, "a");
    typeInto(grid, 1, 1, "kept");
    leaveRow(grid, 0);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    const shell::MessageRequest& refusal = h.messageBoxes.shown[0];
    QVERIFY(refusal.icon == shell::MessageIcon::Warning);
    QVERIFY2(refusal.text.find("duplicate values") != std::string::npos, refusal.text.c_str());
    QVERIFY(refusal.text.ends_with("press Esc to undo its changes."));
    QCOMPARE(grid.currentIndex().row(), 1);  // back on the row
    QCOMPARE(shown(grid, 1, 0), QString("a"));
    QCOMPARE(shown(grid, 1, 1), QString("kept"));
    QCOMPARE(rowMark(grid, 1), QString("!"));
    QVERIFY(grid.model()->index(1, 0).data(Qt::BackgroundRole).isValid());
    QCOMPARE(rowsOnFile(path, "Table1")[1].values[0], Value(std::string("abcdefg")));

    // A value of the wrong type is refused before the engine sees the row.
    typeInto(grid, 1, 0, "unique key");
    typeInto(grid, 1, 4, "twelve");
    leaveRow(grid, 0);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(2));
    QVERIFY(h.messageBoxes.shown[1].text.starts_with("column E expects"));
    QCOMPARE(shown(grid, 1, 4), QString("twelve"));

    // Put right, the row is written with everything typed.
    typeInto(grid, 1, 4, "12");
    leaveRow(grid, 0);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(2));
    std::vector<Row> rows = rowsOnFile(path, "Table1");
    QCOMPARE(rows[1].values[0], Value(std::string("unique key")));
    QCOMPARE(rows[1].values[1], Value(std::string("kept")));
    QCOMPARE(rows[1].values[4], Value(int32_t(12)));

    // Esc in the grid undoes a refused row; the file keeps what it had.
    typeInto(grid, 0, 0, "unique key");
    leaveRow(grid, 1);
    QCOMPARE(grid.currentIndex().row(), 0);
    QTest::keyClick(&grid, Qt::Key_Escape);
    QVERIFY(!grid.hasPendingRow());
    QCOMPARE(shown(grid, 0, 0), QString("a"));
    QCOMPARE(rowMark(grid, 0), QString());
    leaveRow(grid, 1);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(3));
    QCOMPARE(rowsOnFile(path, "Table1")[0].values[0], Value(std::string("a")));
  }

  void theNewRowLineAddsARecordAndShowsItsAutoNumber() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kAutoNumberFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    // The kept count said 3; reading the first screen found the fourth row.
    QTRY_COMPARE(grid.model()->rowCount(), 5);
    QCOMPARE(grid.rowCount(), int64_t(4));
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));  // AutoNumber
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 3)) & Qt::ItemIsEditable));  // calculated

    // The new-row line shows the defaults Access gave the columns.
    QCOMPARE(shown(grid, 4, 13), QString("0.000000"));
    QCOMPARE(shown(grid, 4, 12), QString());
    typeInto(grid, 4, 1, "Ada");
    QCOMPARE(grid.model()->rowCount(), 6);  // a new line opened below
    QCOMPARE(shown(grid, 4, 0), QString("(New)"));
    QCOMPARE(rowMark(grid, 5), QString("*"));
    typeInto(grid, 4, 2, "Lovelace");
    typeInto(grid, 4, 6, "1843.25");
    leaveRow(grid, 0);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(shown(grid, 4, 0), QString("5"));
    QCOMPARE(shown(grid, 4, 1), QString("Ada"));
    QCOMPARE(grid.rowCount(), int64_t(5));
    const std::vector<Row> rows = rowsOnFile(path, "Table1");
    QCOMPARE(rows.size(), size_t(5));
    const auto added =
        std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.values[0] == Value(int32_t(5)); });
    QVERIFY(added != rows.end());
    QCOMPARE(added->values[2], Value(std::string("Lovelace")));
    QCOMPARE(added->values[6], Value(Currency{18432500}));
    QVERIFY(!isNull(added->values[13]));  // the default, written with the row
    QCOMPARE(shown(grid, 4, 13), QString("0.000000"));

    // Starting a row and undoing it leaves nothing behind.
    typeInto(grid, 5, 1, "Nobody");
    QCOMPARE(grid.model()->rowCount(), 7);
    QTest::keyClick(&grid, Qt::Key_Escape);
    QCOMPARE(grid.model()->rowCount(), 6);
    QCOMPARE(rowsOnFile(path, "Table1").size(), size_t(5));
  }

  void deleteRemovesTheSelectedRecordsOnlyWhenConfirmed() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture("jackcess/V2003/compIndexTestV2003.mdb");
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    const QString third = shown(grid, 2, 0);
    auto selectRows = [&](std::initializer_list<int> rows) {
      grid.clearSelection();
      for (int r : rows) {
        grid.selectionModel()->select(grid.model()->index(r, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
      }
    };
    selectRows({0, 1});
    h.messageBoxes.yesNoAnswers = {shell::MessageAnswer::No};
    QTest::keyClick(&grid, Qt::Key_Delete);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    QCOMPARE(h.messageBoxes.shown[0].text, std::string("Delete the 2 selected records? They cannot be brought back."));
    QVERIFY(h.messageBoxes.shown[0].buttons == shell::MessageButtons::YesNoDefaultNo);
    QCOMPARE(rowsOnFile(path, "Table1").size(), size_t(512));

    selectRows({0, 1});
    QTest::keyClick(&grid, Qt::Key_Delete);  // Yes
    QCOMPARE(rowsOnFile(path, "Table1").size(), size_t(510));
    QCOMPARE(grid.rowCount(), int64_t(510));
    QCOMPARE(shown(grid, 0, 0), third);

    // A far row, after scrolling there.
    const QString beforeLast = shown(grid, 508, 0);
    selectRows({509});
    QTest::keyClick(&grid, Qt::Key_Delete);
    QCOMPARE(h.messageBoxes.shown.back().text, std::string("Delete the selected record? It cannot be brought back."));
    QCOMPARE(grid.rowCount(), int64_t(509));
    QCOMPARE(shown(grid, 508, 0), beforeLast);
    expectOracleAgrees(path);
  }

  void backThenAnotherTableRebindsAndRelabels() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kThreeTablesFile);
    h.writeProgramFile("HAND-M.CUR", "not a cursor");  // each load reports once
    editor::TableEditorWindow& editor = openEditor(h, path, "Table1");
    const size_t reportsAfterFirstOpen = h.messageBoxes.shown.size();
    editor::DataGrid& grid = *editor.grid();
    typeInto(grid, 0, 0, "typed before going back");

    editor.backButton()->click();  // "< Back" writes the row first
    QVERIFY(!editor.isVisible());
    QVERIFY(h.tablePage()->isVisible());
    QCOMPARE(rowsOnFile(path, "Table1")[0].values[0], Value(std::string("typed before going back")));

    h.tablePage()->tableList()->setCurrentRow(2);
    h.tablePage()->nextButton()->click();
    QVERIFY(editor.isVisible());
    QCOMPARE(editor.tableLabel()->text(), QString(" Now Editing: Table3"));
    QCOMPARE(grid.dataSource()->tableName(), std::string("Table3"));
    // The first table's record set let go of the file, so this one may write.
    QVERIFY(grid.gridModel()->updatable().ok());
    QCOMPARE(h.messageBoxes.shown.size(), reportsAfterFirstOpen);  // no second load
  }

  void helpShowsTheHintWithoutAnIcon() {
    test::TempDir dir;
    Harness h;
    editor::TableEditorWindow& editor = openEditor(h, dir.copyFixture(kThreeTablesFile), "Table1");
    editor.helpButton()->click();
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    QCOMPARE(h.messageBoxes.shown[0].text, std::string("Changes you make are automatically saved as you make them."));
    QCOMPARE(h.messageBoxes.shown[0].title, std::string("Ledgerfen"));
    QVERIFY(h.messageBoxes.shown[0].icon == shell::MessageIcon::None);
    QVERIFY(h.messageBoxes.shown[0].buttons == shell::MessageButtons::Ok);
  }

  void quitWritesThePendingRowThenEndsTheProgram() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::TableEditorWindow& editor = openEditor(h, path, "Table1");
    typeInto(*editor.grid(), 0, 1, "saved on quit");
    editor.quitButton()->click();
    QCOMPARE(h.control.endCalls, 1);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(rowsOnFile(path, "Table1")[0].values[1], Value(std::string("saved on quit")));
  }

  void aRowThatCannotBeWrittenAsksBeforeTheWindowGoes() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::TableEditorWindow& editor = openEditor(h, path, "Table1");
    editor::DataGrid& grid = *editor.grid();
    typeInto(grid, 1, 0, "a");  // duplicate key

    // Closing the window: the person stays to put it right.
    h.messageBoxes.yesNoAnswers = {shell::MessageAnswer::Yes};
    QVERIFY(!editor.close());
    QCOMPARE(h.control.endCalls, 0);
    QVERIFY(editor.isVisible());
    QVERIFY(h.messageBoxes.shown.back().buttons == shell::MessageButtons::YesNo);
    QVERIFY(h.messageBoxes.shown.back().text.find("Do you want to stay and correct them?") != std::string::npos);
    QCOMPARE(shown(grid, 1, 0), QString("a"));

    // "< Back": stays as well.
    h.messageBoxes.yesNoAnswers = {shell::MessageAnswer::Yes};
    editor.backButton()->click();
    QVERIFY(editor.isVisible());
    QVERIFY(!h.tablePage()->isVisible());

    // Quit: the person discards the row; the program ends, the file as it was.
    h.messageBoxes.yesNoAnswers = {shell::MessageAnswer::No};
    editor.quitButton()->click();
    QCOMPARE(h.control.endCalls, 1);
    QVERIFY(!grid.hasPendingRow());
    QCOMPARE(rowsOnFile(path, "Table1")[1].values[0], Value(std::string("abcdefg")));
  }

  void closingTheEditorWritesTheRowAndEndsTheProgram() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::TableEditorWindow& editor = openEditor(h, path, "Table1");
    typeInto(*editor.grid(), 1, 3, "-7");
    QVERIFY(editor.close());
    QCOMPARE(h.control.endCalls, 1);
    QCOMPARE(rowsOnFile(path, "Table1")[1].values[3], Value(int16_t(-7)));
  }

  void theExportMenuOpensAtThePointerAndItsItemsExportWhatWasTyped() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    RecordingExports exports;
    h.exports = [&](editor::TableEditorWindow& editor,
                    shell::WindowServices&) -> std::unique_ptr<editor::ExportCommands> {
      struct Forward : editor::ExportCommands {
        RecordingExports& to;
        explicit Forward(RecordingExports& r) : to(r) {}
        void exportTxt() override { to.exportTxt(); }
        void exportXls() override { to.exportXls(); }
        void exportCsv() override { to.exportCsv(); }
        void exportPdf() override { to.exportPdf(); }
        void exportXml() override { to.exportXml(); }
      };
      exports.grid = editor.grid();
      return std::make_unique<Forward>(exports);
    };
    editor::TableEditorWindow& editor = openEditor(h, path, "Table1");

    QCursor::setPos(300, 200);
    editor.exportButton()->click();
    QVERIFY(editor.exportMenu()->isVisible());
    QCOMPARE(editor.exportMenu()->pos(), QCursor::pos());
    editor.exportMenu()->hide();

    typeInto(*editor.grid(), 0, 1, "typed, then exported");
    for (QAction* item : editor.exportMenu()->actions()) item->trigger();
    QCOMPARE(exports.calls, (std::vector<std::string>{"TXT", "XLS", "CSV", "PDF", "XML"}));
    QCOMPARE(exports.firstRowSeen[1], std::string("typed, then exported"));
    QCOMPARE(rowsOnFile(path, "Table1")[0].values[1], Value(std::string("typed, then exported")));
  }

  // The program's own export commands: "PDF" prints, on the PDF printer,
  // the grid's text with the row being typed saved first.
  void thePdfItemPrintsWhatTheGridShowsOnThePdfPrinter() {
    struct PrintProgram final : exporting::ProcessLauncher {
      std::vector<std::string> printed;  // the files as they were while printing
      Result<exporting::ProcessEnd> runAndWait(const std::vector<std::string>& arguments,
                                               std::chrono::milliseconds) override {
        std::ifstream file(arguments.back(), std::ios::binary);
        printed.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return exporting::ProcessEnd{};
      }
    };
    test::TempDir dir;
    Harness h;
    pdf::fakes::CallLog log;
    pdf::fakes::FakePrintingSystem printers(log);
    printers.addQueue("Office", "Office");
    printers.addQueue("Mirrowick_PDF_Writer", "Mirrowick PDF Writer");
    printers.defaultName = "Office";
    PrintProgram printProgram;
    exporting::LinuxTemporaryFiles files;
    pdf::QtPendingEvents events;
    const pdf::PrintingServices printing{printers, printProgram, files, events};
    h.exports = [&](editor::TableEditorWindow& editor,
                    shell::WindowServices& window) -> std::unique_ptr<editor::ExportCommands> {
      return std::make_unique<app::DesktopExports>(editor, window, printing);
    };
    const std::string path = dir.copyFixture(kTypesFile);
    editor::TableEditorWindow& editor = openEditor(h, path, "Table1");
    typeInto(*editor.grid(), 0, 1, "typed, then printed");
    for (QAction* item : editor.exportMenu()->actions()) {
      if (item->text() == "PDF") item->trigger();
    }
    QCOMPARE(printProgram.printed.size(), size_t(1));
    const std::string& text = printProgram.printed.front();
    QVERIFY2(text.rfind("A\tB\t", 0) == 0, text.c_str());
    QVERIFY2(text.find("\ttyped, then printed\t") != std::string::npos, text.c_str());
    QCOMPARE(rowsOnFile(path, "Table1")[0].values[1], Value(std::string("typed, then printed")));
    QCOMPARE(printers.defaultName, std::string("Office"));  // the user's default again
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void theGridReaderReadsWhatTheGridShows() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid = *openEditor(h, dir.copyFixture(kTypesFile), "Table1").grid();
    exporting::GridReader& reader = grid;
    QCOMPARE(reader.columnCount(), 9);
    QCOMPARE(reader.columnCaption(8), std::string("I"));
    // Each column's kind follows its field's type, for the workbook's cells.
    std::vector<exporting::ColumnKind> kinds;
    for (int c = 0; c < reader.columnCount(); ++c) kinds.push_back(reader.columnKind(c));
    using Kind = exporting::ColumnKind;
    QCOMPARE(kinds, (std::vector<Kind>{Kind::Text, Kind::Text, Kind::Number, Kind::Number, Kind::Number, Kind::Number,
                                       Kind::DateTime, Kind::Currency, Kind::YesNo}));
    QCOMPARE(reader.columnKind(9), Kind::Text);
    QCOMPARE(reader.rowCount(), int64_t(2));
    QVERIFY(!reader.goToRow(0).ok());
    QVERIFY(!reader.goToRow(3).ok());
    std::vector<std::vector<std::string>> read;
    for (int64_t r = 1; r <= reader.rowCount(); ++r) {
      QVERIFY(reader.goToRow(r).ok());
      std::vector<std::string> row;
      for (int c = 0; c < reader.columnCount(); ++c) {
        row.push_back(reader.cellText(c).value());
        QCOMPARE(QString::fromStdString(row.back()), shown(grid, int(r - 1), c));
      }
      read.push_back(row);
    }
    QCOMPARE(read[1], (std::vector<std::string>{"abcdefg", "hijklmnop", "2", "222", "333333333", "444.555",
                                                "1974-09-21", "3.50", "Yes"}));
    // The view follows the reader to the last row.
    QTRY_COMPARE(grid.currentIndex().row(), 1);

    grid.setDataSource(nullptr);  // unbound: nothing to read
    QCOMPARE(reader.columnCount(), 0);
    QCOMPARE(reader.rowCount(), int64_t(0));
    QVERIFY(!reader.goToRow(1).ok());
  }

  void aDatabaseThatCanOnlyBeReadRefusesEditsBeforeTyping() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    auto otherWriter = Database::open(path, OpenOptions{"", true, nullptr});
    QVERIFY(!(*otherWriter)->isReadOnly());
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    QCOMPARE(grid.model()->rowCount(), 2);  // no new-row line
    const std::string refusal =
        "Cannot update. Database or object is read-only. (another program is changing the database)";

    grid.setCurrentIndex(grid.model()->index(0, 1));
    QTest::keyClick(&grid, Qt::Key_F2);
    QTest::keyClicks(&grid, "x");
    QTest::keyClick(&grid, Qt::Key_Delete);  // emptying a cell
    grid.selectRow(0);
    QTest::keyClick(&grid, Qt::Key_Delete);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(4));
    for (const shell::MessageRequest& m : h.messageBoxes.shown) QCOMPARE(m.text, refusal);
    QVERIFY(!openCellEditor(grid));
    QVERIFY(!grid.hasPendingRow());
  }

  void anEmptyListAsksForATable() {
    Harness h;
    h.settings.preset("Database", test::fixtureNamed("mdb-reader/data/V2003/empty.mdb").fullPath());
    h.start();
    h.tablePage()->nextButton()->click();
    QCOMPARE(h.messageBoxes.texts(), std::vector<std::string>{"Please select a table"});
    QVERIFY(h.messageBoxes.shown[0].icon == shell::MessageIcon::None);
    QVERIFY(!h.tableEditor());
    QVERIFY(h.tablePage()->isVisible());
  }

  void aTableThatCannotBeOpenedStillShowsTheEditorWithoutATable() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kThreeTablesFile);
    h.settings.preset("Database", path);
    h.start();
    std::filesystem::remove(path);
    h.tablePage()->nextButton()->click();
    std::vector<int> lines;
    for (const shell::MessageRequest& m : h.messageBoxes.shown) {
      QCOMPARE(m.title, std::string("Application Error"));
      QVERIFY(m.text.find("in Ledgerfen2020/08/02.Form2.PushButton3_Click at line ") != std::string::npos);
      lines.push_back(std::stoi(m.text.substr(m.text.find("at line ") + 8)));
    }
    QCOMPARE(lines, (std::vector<int>{110, 122, 124}));
    QVERIFY(h.tableEditor()->isVisible());
    QCOMPARE(h.tableEditor()->tableLabel()->text(), QString(" Now Editing: Table1"));
    QVERIFY(!h.tableEditor()->grid()->dataSource());
    QVERIFY(!h.tablePage()->isVisible());
    QCOMPARE(h.tablePage()->pointer().mousePointer(), 0);
  }

  void onlyTheRowsInViewAreRead() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid =
        *openEditor(h, dir.copyFixture("jackcess/V2010/compIndexTestV2010.accdb"), "Table1").grid();
    const editor::RowCache& cache = grid.gridModel()->cache();
    QCOMPARE(grid.model()->rowCount(), 513);
    QCOMPARE(cache.loadedBatches(), size_t(1));  // the first screen
    QCOMPARE(cache.loadedRows(), cache.limits().batchRows);
    grid.scrollToBottom();
    QCOMPARE(shown(grid, 511, 2), QString("efg"));
    QCOMPARE(cache.loadedBatches(), size_t(2));
    QVERIFY(!cache.isLoaded(200));
    QVERIFY(grid.dataSource()->rememberedIds() <= 2);
  }

  void pointerIsAHandOverButtonsAndDefaultOverTheGrid() {
    test::TempDir dir;
    Harness h;
    editor::TableEditorWindow& editor = openEditor(h, dir.copyFixture(kThreeTablesFile), "Table1");
    QMouseEvent overButton(QEvent::MouseMove, QPointF(3, 3), editor.exportButton()->mapToGlobal(QPointF(3, 3)),
                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(editor.exportButton(), &overButton);
    QCOMPARE(editor.pointer().mousePointer(), 99);
    QMouseEvent overGrid(QEvent::MouseMove, QPointF(3, 3), editor.grid()->viewport()->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(editor.grid()->viewport(), &overGrid);
    QCOMPARE(editor.pointer().mousePointer(), 0);
    editor.pointer().setMousePointer(11);
    QApplication::sendEvent(editor.exportButton(), &overButton);
    QCOMPARE(editor.pointer().mousePointer(), 11);
  }
};

LEDGERFEN_QTEST_MAIN(TableEditorTest)
#include "table_editor_test.moc"
