// The grid beyond write-back, used as a person uses it, on copies of real
// files: Find reaching every match in the order shown; sorting by a column
// with and without an index (and edits, additions and deletions made in
// the sorted order, read back from the file); filters and their count;
// copying and pasting blocks, row by row, stopping at a refused row; undo
// of saved changes, judged by both independent readers; the notice of a
// table that can only be viewed, and why; positions gathered for far jumps.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "canonical/canonical_dump.h"
#include "editor_steps.h"
#include "harness.h"
#include "ledgerfen/data/cell_text.h"
#include "qt_test_main.h"
#include "support/fixtures.h"
#include "support/oracles.h"
#include "support/temp_dir.h"

using namespace ledgerfen;
using test::expectOracleAgrees;
using test::Harness;
using test::kTypesFile;
using test::leaveRow;
using test::openEditor;
using test::rowMark;
using test::rowsOnFile;
using test::shown;
using test::typeInto;

namespace {

const char* const kNorthwind = "efcore-jet/Northwind.accdb";
// Table1: 512 rows of CD_AGENTE (long, a descending index), RS_AGENTE and DC_AGENTE (text).
const char* const kAgentsFile = "jackcess/V2003/compIndexTestV2003.mdb";
// Three empty tables of three text columns.
const char* const kThreeTablesFile = "jackcess/V2003/queryTestV2003.mdb";

// Orders of Northwind.
constexpr int kOrderId = 0, kShippedDate = 5, kFreight = 7, kShipName = 8;
// Customers of Northwind.
constexpr int kCity = 5, kRegion = 6, kCountry = 8;

QStringList columnShown(editor::DataGrid& grid, int column) {
  QStringList texts;
  for (int row = 0; row < grid.gridModel()->recordRows(); ++row) texts << shown(grid, row, column);
  return texts;
}

// The texts of `column` of the rows in the order `rows` gives.
QStringList textsOf(const std::vector<Row>& rows, const TableSchema& schema, int column) {
  QStringList texts;
  for (const Row& row : rows) {
    texts << QString::fromStdString(data::cellText(schema.columns[size_t(column)], row.values[size_t(column)]));
  }
  return texts;
}

void clickTitle(editor::DataGrid& grid, int column) {
  editor::GridHeader& header = *grid.columnHeader();
  const int filterTop = header.filterBox(column)->geometry().top();
  QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(header.sectionViewportPosition(column) + header.sectionSize(column) / 2, filterTop - 6));
}

void waitForViews(editor::DataGrid& grid) {
  QTRY_VERIFY_WITH_TIMEOUT(!grid.views().busy() && !grid.views().hasWaitingResult(), 20000);
}

void typeFilter(editor::DataGrid& grid, int column, const QString& text) {
  QLineEdit* box = grid.columnHeader()->filterBox(column);
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, text);
  if (text.isEmpty()) box->clear();
  QTest::keyClick(box, Qt::Key_Return);
  waitForViews(grid);
}

// Every cell, row by row, whose shown text holds `text` (without regard to case).
std::vector<std::pair<int, int>> matchingCells(editor::DataGrid& grid, const QString& text) {
  std::vector<std::pair<int, int>> cells;
  for (int row = 0; row < grid.gridModel()->recordRows(); ++row) {
    for (int column = 0; column < grid.model()->columnCount(); ++column) {
      if (shown(grid, row, column).contains(text, Qt::CaseInsensitive)) cells.emplace_back(row, column);
    }
  }
  return cells;
}

// Presses F3 until the search goes on from the first row; the cells visited
// before that, and the one it wrapped to.
std::pair<std::vector<std::pair<int, int>>, std::pair<int, int>> visitMatches(editor::DataGrid& grid) {
  std::vector<std::pair<int, int>> visited;
  for (int presses = 0; presses < 500; ++presses) {
    QTest::keyClick(&grid, Qt::Key_F3);
    if (!QTest::qWaitFor([&] { return !grid.search().busy(); }, 20000)) break;
    QApplication::processEvents();
    const std::pair<int, int> at{grid.currentIndex().row(), grid.currentIndex().column()};
    if (grid.statusText().contains("going on from the first row")) return {visited, at};
    if (!grid.statusText().startsWith("Found in row")) {
      qWarning("%s", qPrintable(grid.statusText()));
      break;
    }
    visited.push_back(at);
  }
  return {visited, {-1, -1}};
}

}  // namespace

class GridFeaturesTest : public QObject {
  Q_OBJECT

 private slots:
  void findReachesEveryMatchInTheOrderShown() {
    test::TempDir dir;
    Harness h;
    editor::TableEditorWindow& editor = openEditor(h, dir.copyFixture(kNorthwind), "Customers");
    editor::DataGrid& grid = *editor.grid();
    editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(grid.findBar()->isVisible());
    QCOMPARE(QApplication::focusWidget(), grid.findBar()->textBox());
    QTest::keyClicks(grid.findBar()->textBox(), "BER");
    grid.setFocus();

    std::vector<std::pair<int, int>> expected = matchingCells(grid, "ber");
    QVERIFY(expected.size() > 5);
    grid.setCurrentIndex(grid.model()->index(0, 0));
    const std::pair<int, int> first = expected.front();
    if (first == std::pair<int, int>{0, 0}) expected.erase(expected.begin());  // the start cell comes last
    auto [visited, wrappedTo] = visitMatches(grid);
    QCOMPARE(visited, expected);
    QCOMPARE(wrappedTo, first);

    // One column, case matched: only Berlin in City.
    grid.findBar()->columnBox()->setCurrentIndex(kCity + 1);
    grid.findBar()->matchCaseBox()->setChecked(true);
    grid.findBar()->textBox()->setText("Berlin");
    grid.setCurrentIndex(grid.model()->index(0, 0));
    QTest::keyClick(&grid, Qt::Key_F3);
    QTRY_VERIFY(!grid.search().busy());
    QCOMPARE(grid.currentIndex().column(), kCity);
    QCOMPARE(shown(grid, grid.currentIndex().row(), kCity), QString("Berlin"));
    grid.findBar()->textBox()->setText("berlin");
    QTest::keyClick(&grid, Qt::Key_F3);
    QTRY_VERIFY(!grid.search().busy());
    QCOMPARE(editor.statusLabel()->text(), QString("No cell holds \"berlin\"."));

    // In a sorted order the search follows the rows as shown.
    grid.findBar()->columnBox()->setCurrentIndex(0);
    grid.findBar()->matchCaseBox()->setChecked(false);
    grid.findBar()->textBox()->setText("ber");
    clickTitle(grid, kCity);
    waitForViews(grid);
    QCOMPARE(grid.views().sort().column, kCity);
    expected = matchingCells(grid, "ber");
    grid.setCurrentIndex(grid.model()->index(0, 0));
    const std::pair<int, int> firstSorted = expected.front();
    if (firstSorted == std::pair<int, int>{0, 0}) expected.erase(expected.begin());
    std::tie(visited, wrappedTo) = visitMatches(grid);
    QCOMPARE(visited, expected);

    // Esc in the bar closes it.
    grid.findBar()->textBox()->setFocus();
    QTest::keyClick(grid.findBar()->textBox(), Qt::Key_Escape);
    QVERIFY(!grid.findBar()->isVisible());
  }

  void sortingFollowsTheIndexOrAReferenceSortAndEditsReadBack() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kNorthwind);
    editor::TableEditorWindow& editor = openEditor(h, path, "Orders");
    editor::DataGrid& grid = *editor.grid();
    const std::vector<Row> scanned = rowsOnFile(path, "Orders");
    auto db = Database::open(test::fixtureNamed(kNorthwind).fullPath());
    const TableSchema schema = (*db)->table("Orders")->schema();

    // ShippedDate has an index (NULLs first): the grid shows its order.
    auto index = (*db)->table("Orders")->seek("ShippedDate", IndexRange{});
    std::vector<Row> indexed;
    Row row;
    while (index->next(row).value()) indexed.push_back(row);
    QCOMPARE(indexed.size(), scanned.size());
    clickTitle(grid, kShippedDate);
    waitForViews(grid);
    QCOMPARE(columnShown(grid, kOrderId), textsOf(indexed, schema, kOrderId));
    QCOMPARE(grid.columnHeader()->sortIndicatorSection(), kShippedDate);
    QCOMPARE(grid.columnHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(editor.statusLabel()->text(), QString("830 records, sorted by ShippedDate, ascending"));
    clickTitle(grid, kShippedDate);
    waitForViews(grid);
    std::reverse(indexed.begin(), indexed.end());
    QCOMPARE(columnShown(grid, kOrderId), textsOf(indexed, schema, kOrderId));
    clickTitle(grid, kShippedDate);  // the table's own order again
    waitForViews(grid);
    QCOMPARE(columnShown(grid, kOrderId), textsOf(scanned, schema, kOrderId));
    QVERIFY(!grid.columnHeader()->isSortIndicatorShown());

    // Freight has none: the order of a plain sort by amount, ties as stored.
    std::vector<Row> byFreight = scanned;
    const auto units = [](const Row& r) {
      return isNull(r.values[kFreight]) ? INT64_MIN : std::get<Currency>(r.values[kFreight]).units;
    };
    std::stable_sort(byFreight.begin(), byFreight.end(),
                     [&](const Row& a, const Row& b) { return units(a) < units(b); });
    clickTitle(grid, kFreight);
    waitForViews(grid);
    QCOMPARE(columnShown(grid, kOrderId), textsOf(byFreight, schema, kOrderId));
    clickTitle(grid, kFreight);
    waitForViews(grid);
    std::reverse(byFreight.begin(), byFreight.end());
    QCOMPARE(columnShown(grid, kOrderId), textsOf(byFreight, schema, kOrderId));

    // An edit in the sorted order is written to its record, which stays put.
    grid.setCurrentIndex(grid.model()->index(0, kShipName));
    const QString order = shown(grid, 2, kOrderId);
    typeInto(grid, 2, kShipName, "Written while sorted");
    leaveRow(grid, 5);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(shown(grid, 2, kOrderId), order);
    QCOMPARE(shown(grid, 2, kShipName), QString("Written while sorted"));
    int changed = 0;
    for (const Row& r : rowsOnFile(path, "Orders")) {
      const bool isIt = QString::number(std::get<int32_t>(r.values[kOrderId])) == order;
      const bool holds = r.values[kShipName] == Value(std::string("Written while sorted"));
      QCOMPARE(holds, isIt);
      changed += holds;
    }
    QCOMPARE(changed, 1);
    expectOracleAgrees(path);
  }

  void addingAndDeletingInASortedOrderWriteTheRightRecords() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kAgentsFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    const auto agentsOnFile = [&] {
      QStringList agents;
      for (const Row& r : rowsOnFile(path, "Table1")) {
        agents << (isNull(r.values[0]) ? QString() : QString::number(std::get<int32_t>(r.values[0])));
      }
      return agents;
    };
    // Ascending, through the descending index read backwards: NULL first.
    clickTitle(grid, 0);
    waitForViews(grid);
    QStringList expected = agentsOnFile();
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
      return a.isEmpty() != b.isEmpty() ? a.isEmpty() : a.toInt() < b.toInt();
    });
    QCOMPARE(columnShown(grid, 0), expected);

    // A new record stays at the end, where it was typed.
    const int newLine = grid.model()->rowCount() - 1;
    QCOMPARE(rowMark(grid, newLine), QString("*"));
    typeInto(grid, newLine, 0, "1");
    typeInto(grid, newLine, 1, "typed while sorted");
    leaveRow(grid, 3);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(shown(grid, newLine, 0), QString("1"));
    QCOMPARE(grid.gridModel()->recordRows(), 513);
    QVERIFY(agentsOnFile().contains("1"));

    // Deleting the smallest agent of the sorted order deletes that record.
    const QString smallest = shown(grid, 2, 0);
    QCOMPARE(smallest, expected[2]);
    grid.clearSelection();
    grid.selectionModel()->select(grid.model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(&grid, Qt::Key_Delete);  // Yes
    const QStringList left = agentsOnFile();
    QCOMPARE(left.size(), 512);
    QVERIFY(!left.contains(smallest));
    QCOMPARE(shown(grid, 2, 0), expected[3]);
    QCOMPARE(shown(grid, 511, 1), QString("typed while sorted"));
    expectOracleAgrees(path);
  }

  void aFilterShowsTheRowsItKeepsAndTheirCount() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kNorthwind);
    editor::TableEditorWindow& editor = openEditor(h, path, "Customers");
    editor::DataGrid& grid = *editor.grid();
    const std::vector<Row> all = rowsOnFile(path, "Customers");
    const auto text = [](const Row& r, int column) {
      return isNull(r.values[size_t(column)]) ? QString()
                                              : QString::fromStdString(std::get<std::string>(r.values[size_t(column)]));
    };
    QCOMPARE(editor.statusLabel()->text(), QString("91 records"));

    typeFilter(grid, kCountry, "=germany");
    QStringList expected;
    for (const Row& r : all) {
      if (text(r, kCountry) == "Germany") expected << text(r, 0);
    }
    QCOMPARE(columnShown(grid, 0), expected);
    QCOMPARE(editor.statusLabel()->text(), QString("%1 of 91 records (filtered)").arg(expected.size()));

    // A second condition: both hold; cities from A to M, then an empty region.
    typeFilter(grid, kCity, "a..m");
    typeFilter(grid, kRegion, "=");
    expected.clear();
    for (const Row& r : all) {
      const QString city = text(r, kCity).toLower();
      if (text(r, kCountry) == "Germany" && city >= "a" && city <= "m" && text(r, kRegion).isEmpty()) {
        expected << text(r, 0);
      }
    }
    QVERIFY(!expected.isEmpty());
    QCOMPARE(columnShown(grid, 0), expected);

    // Emptying the boxes shows every row again.
    for (int column : {kCountry, kCity, kRegion}) typeFilter(grid, column, "");
    QCOMPARE(grid.gridModel()->recordRows(), 91);
    QCOMPARE(editor.statusLabel()->text(), QString("91 records"));
  }

  void theExportsReadTheRowsSortedAndFilteredAsShown() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid = *openEditor(h, dir.copyFixture(kNorthwind), "Customers").grid();
    clickTitle(grid, kCity);
    typeFilter(grid, kCountry, "=germany");
    exporting::GridReader& reader = grid;
    QCOMPARE(reader.rowCount(), int64_t(11));
    QStringList cities;
    for (int64_t row = 1; row <= reader.rowCount(); ++row) {
      QVERIFY(reader.goToRow(row).ok());
      QCOMPARE(QString::fromStdString(reader.cellText(kCountry).value()), QString("Germany"));
      cities << QString::fromStdString(reader.cellText(kCity).value());
    }
    QStringList sorted = cities;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toLower() < b.toLower(); });
    QCOMPARE(cities, sorted);
    QCOMPARE(cities, columnShown(grid, kCity));
  }

  void aConditionThatIsNoValueOfItsColumnIsMarkedAndChangesNothing() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid = *openEditor(h, dir.copyFixture(kNorthwind), "Orders").grid();
    typeFilter(grid, kFreight, "cheap..");
    QLineEdit* box = grid.columnHeader()->filterBox(kFreight);
    QVERIFY2(box->toolTip().startsWith("Freight: the lower end \"cheap\" is not a value of the column"),
             qPrintable(box->toolTip()));
    QCOMPARE(box->palette().color(QPalette::Base), QColor(0xFF, 0xE0, 0xE0));
    QCOMPARE(grid.gridModel()->recordRows(), 830);
    typeFilter(grid, kFreight, "..10");
    QVERIFY(!box->toolTip().startsWith("Freight:"));
    QVERIFY(grid.gridModel()->recordRows() < 830);
    for (const QString& freight : columnShown(grid, kFreight)) QVERIFY(freight.toDouble() <= 10);
  }

  void copyingGivesTabSeparatedTextAndATable() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid = *openEditor(h, dir.copyFixture(kTypesFile), "Table1").grid();
    grid.setCurrentIndex(grid.model()->index(0, 0));
    grid.selectionModel()->select(QItemSelection(grid.model()->index(0, 0), grid.model()->index(1, 1)),
                                  QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    QCOMPARE(copied->text(), QString("a\tb\r\nabcdefg\thijklmnop\r\n"));
    QVERIFY(copied->html().contains("<tr><td>abcdefg</td><td>hijklmnop</td></tr>"));
  }

  void aPastedBlockIsWrittenOneRowAtATime() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kThreeTablesFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    QCOMPARE(grid.model()->rowCount(), 1);  // the new-row line only
    QApplication::clipboard()->setText("p1\tp2\tp3\r\nq1\t\"q\t2\"\tq3\r\nr1\tr2\tr3\r\n");
    grid.setCurrentIndex(grid.model()->index(0, 0));
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(h.messageBoxes.shown.empty());
    std::vector<Row> rows = rowsOnFile(path, "Table1");
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[1].values, (std::vector<Value>{std::string("q1"), std::string("q\t2"), std::string("q3")}));
    QCOMPARE(shown(grid, 2, 2), QString("r3"));
    QCOMPARE(rowMark(grid, 3), QString("*"));
    QCOMPARE(grid.statusText(), QString("Pasted 3 rows; each was saved."));

    // Over existing rows: the cells are replaced, row by row.
    QApplication::clipboard()->setText("x2\tx3\ny2\ty3");
    grid.setCurrentIndex(grid.model()->index(1, 1));
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    rows = rowsOnFile(path, "Table1");
    QCOMPARE(rows[1].values, (std::vector<Value>{std::string("q1"), std::string("x2"), std::string("x3")}));
    QCOMPARE(rows[2].values, (std::vector<Value>{std::string("r1"), std::string("y2"), std::string("y3")}));

    // Too wide for the columns after the current one: nothing is pasted.
    QApplication::clipboard()->setText("1\t2\t3");
    grid.setCurrentIndex(grid.model()->index(0, 1));
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    QVERIFY(h.messageBoxes.shown[0].text.find("Nothing was pasted") != std::string::npos);
    QCOMPARE(rowsOnFile(path, "Table1")[0].values[1], Value(std::string("p2")));
  }

  void aRefusedPastedRowStopsThePasteAndKeepsWhatWasPasted() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    // Three new records; the second repeats the key of the first record.
    QApplication::clipboard()->setText("x1\tone\na\ttwo\nx3\tthree\n");
    grid.setCurrentIndex(grid.model()->index(2, 0));
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QApplication::processEvents();
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    const std::string& told = h.messageBoxes.shown[0].text;
    QVERIFY2(told.rfind("Row 2 of the pasted rows could not be saved: ", 0) == 0, told.c_str());
    QVERIFY2(told.find("1 row before it was saved") != std::string::npos, told.c_str());
    QVERIFY2(told.find("The 1 row after it was not pasted.") != std::string::npos, told.c_str());
    const std::vector<Row> rows = rowsOnFile(path, "Table1");
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[2].values[0], Value(std::string("x1")));
    QCOMPARE(grid.currentIndex().row(), 3);
    QCOMPARE(rowMark(grid, 3), QString("!"));
    QCOMPARE(shown(grid, 3, 0), QString("a"));
    QCOMPARE(shown(grid, 3, 1), QString("two"));
  }

  void undoPutsBackTheLastSavedChangeAsBothReadersSeeIt() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    const std::string original = dir.copyFixture(kTypesFile, "original.accdb");
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    typeInto(grid, 1, 1, "changed");
    typeInto(grid, 1, 4, "-5");
    leaveRow(grid, 0);
    QCOMPARE(rowsOnFile(path, "Table1")[1].values[1], Value(std::string("changed")));
    grid.setCurrentIndex(grid.model()->index(0, 3));
    QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(grid.currentIndex().row(), 1);
    QCOMPARE(shown(grid, 1, 1), QString("hijklmnop"));
    QCOMPARE(rowsOnFile(path, "Table1")[1].values, rowsOnFile(original, "Table1")[1].values);
    // Both readers read the file as they read the untouched copy.
    const std::optional<std::string> before = test::mdbReaderDump(original, "");
    if (!before) {
      qWarning("the independent readers are not installed; the file was checked with the engine only");
    } else {
      h.program.reset();  // the file is closed for the readers
      QCOMPARE(test::mdbReaderDump(path, ""), before);
      const test::OracleVerdict mdbtools = test::mdbtoolsAgrees(path, "");
      QVERIFY2(mdbtools.agrees, mdbtools.detail.c_str());
    }
  }

  void undoRemovesAnAddedRecordAndSaysWhyWhenItCannot() {
    test::TempDir dir;
    Harness h;
    const std::string path = dir.copyFixture(kTypesFile);
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    typeInto(grid, 2, 0, "added");
    leaveRow(grid, 0);
    QCOMPARE(rowsOnFile(path, "Table1").size(), size_t(3));
    QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rowsOnFile(path, "Table1").size(), size_t(2));
    QCOMPARE(grid.model()->rowCount(), 3);

    // A change to a record deleted since cannot be undone.
    typeInto(grid, 0, 1, "soon gone");
    leaveRow(grid, 1);
    grid.selectRow(0);
    QTest::keyClick(&grid, Qt::Key_Delete);  // Yes
    QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.messageBoxes.shown.back().text,
             std::string("The change cannot be undone: the record it saved has been deleted since."));
    QCOMPARE(rowsOnFile(path, "Table1").size(), size_t(1));

    // Typing not yet saved is what Ctrl+Z takes back first.
    typeInto(grid, 0, 1, "typed");
    QVERIFY(grid.hasPendingRow());
    QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!grid.hasPendingRow());
    QCOMPARE(shown(grid, 0, 1), QString("hijklmnop"));
  }

  void aLockFileOfAccessIsNamedInTheNoticeAndLeftAlone() {
    test::TempDir dir;
    const std::string path = dir.copyFixture(kTypesFile, "Sales.accdb");
    std::string slot(64, '\0');
    slot.replace(0, 10, "PC-OFFICE7");
    slot.replace(32, 5, "Admin");
    std::ofstream(dir.path() + "/Sales.laccdb", std::ios::binary) << slot;
    Harness h;
    editor::DataGrid& grid = *openEditor(h, path, "Table1").grid();
    QVERIFY(grid.viewOnlyNotice()->isVisible());
    const QString notice = grid.viewOnlyNotice()->text();
    QVERIFY2(notice.contains("open in Access on computer PC-OFFICE7 (user Admin)"), qPrintable(notice));
    QVERIFY2(notice.contains("delete Sales.laccdb in the database's folder"), qPrintable(notice));
    QCOMPARE(grid.model()->rowCount(), 2);  // no new-row line

    // Each way of starting a change explains instead of doing nothing.
    grid.setCurrentIndex(grid.model()->index(0, 1));
    QTest::keyClicks(&grid, "x");
    QTest::keyClick(&grid, Qt::Key_Backspace);
    QApplication::clipboard()->setText("pasted");
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(4));
    for (const shell::MessageRequest& m : h.messageBoxes.shown) {
      QVERIFY2(m.text.rfind("Cannot update. Database or object is read-only. (the database is open in another program",
                            0) == 0,
               m.text.c_str());
    }
    h.program.reset();
    QVERIFY(std::filesystem::exists(dir.path() + "/Sales.laccdb"));
  }

  void aTableWhoseIndexKeysCannotBeMadeOpensForViewing() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid =
        *openEditor(h, dir.copyFixture("dsreader/532_Nieuwezuiderlingedijk.mdb"), "Aantalsklasse").grid();
    QVERIFY(grid.viewOnlyNotice()->isVisible());
    QVERIFY2(grid.viewOnlyNotice()->text().contains("sorts text by the language order LCID 1043"),
             qPrintable(grid.viewOnlyNotice()->text()));
    QCOMPARE(grid.model()->rowCount(), 5);
    // Sorting by such a column still works: it only reads.
    clickTitle(grid, 0);
    waitForViews(grid);
    QCOMPARE(grid.views().sort().column, 0);
  }

  void theGridGathersRowPositionsInTheBackground() {
    test::TempDir dir;
    Harness h;
    editor::DataGrid& grid = *openEditor(h, dir.copyFixture(kAgentsFile), "Table1").grid();
    QTRY_VERIFY(grid.views().positionsGathered());
    QVERIFY(grid.dataSource()->recordCountIsExact());
    QCOMPARE(grid.dataSource()->rememberedIds(), size_t(2));
    // A far row reads from the nearest remembered one.
    QCOMPARE(shown(grid, 400, 0), QString::fromStdString(data::cellText(
                                      grid.dataSource()->fields()[0],
                                      rowsOnFile(grid.dataSource()->databasePath(), "Table1")[400].values[0])));
  }
};

LEDGERFEN_QTEST_MAIN(GridFeaturesTest)
#include "grid_features_test.moc"
