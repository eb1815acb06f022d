// The table page: its layout, its load steps, "< Back" and the hand-over of
// "Next >" to the table editor.
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

#include "harness.h"
#include "ledgerfen/shell/appearance.h"
#include "qt_test_main.h"
#include "support/fixtures.h"

using namespace ledgerfen;
using test::Harness;

namespace {

std::string fixture(const std::string& path) {
  return test::fixtureNamed(path).fullPath();
}

struct RecordingOpener : shell::TableOpener {
  std::vector<std::string> chosen;
  void openChosenTable(shell::TablePage& page) override {
    QListWidgetItem* item = page.tableList()->currentItem();
    chosen.push_back(item ? item->text().toStdString() : "");
  }
};

// Starts the program on a database whose tables fill the page.
shell::TablePage& openTablePage(Harness& h, const std::string& path = "jackcess/V2003/queryTestV2003.mdb") {
  h.settings.preset("Database", fixture(path));
  h.start();
  if (!h.tablePage()) qFatal("the table page did not open");
  return *h.tablePage();
}

}  // namespace

class TablePageTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutFollowsTheDesign() {
    Harness h;
    shell::TablePage& page = openTablePage(h);
    QCOMPARE(page.size(), QSize(392, 186));
    QCOMPARE(page.minimumSize(), page.maximumSize());
    QCOMPARE(page.windowTitle(), QString("Ledgerfen Software"));
    QVERIFY(!page.windowIcon().isNull());
    QCOMPARE(page.font().family(), QString("Arial"));
    QCOMPARE(page.font().pixelSize(), 12);
    QVERIFY(page.font().bold());

    QCOMPARE(page.tablesFrame()->geometry(), QRect(8, 8, 376, 141));
    QCOMPARE(page.tablesFrame()->title(), QString("Which table do you want edit?"));
    QCOMPARE(page.tableList()->parentWidget(), page.tablesFrame());
    QCOMPARE(page.tableList()->geometry(), QRect(16, 20, 344, 109));
    QCOMPARE(page.tableList()->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!page.tableList()->isSortingEnabled());
    QCOMPARE(page.backButton()->geometry(), QRect(8, 157, 185, 27));
    QCOMPARE(page.backButton()->text(), QString("< Back"));
    QCOMPARE(page.nextButton()->geometry(), QRect(200, 157, 184, 27));
    QCOMPARE(page.nextButton()->text(), QString("Next >"));
    for (QPushButton* b : {page.backButton(), page.nextButton()}) {
      QCOMPARE(b->font().pixelSize(), 15);
      QVERIFY(b->font().bold());
    }
    QCOMPARE(test::tabOrderFrom(page.tableList()),
             (QList<QWidget*>{page.tableList(), page.backButton(), page.nextButton()}));

    // The table page always shows button-face colours.
    QCOMPARE(page.palette().color(QPalette::Window), shell::buttonFaceColor());
    QCOMPARE(page.tablesFrame()->palette().color(QPalette::Window), shell::buttonFaceColor());
  }

  void loadsOnceBeforeItsListIsFirstFilled() {
    Harness h;
    shell::TablePage& page = openTablePage(h);
    QVERIFY(page.loaded());
    // Load ran on an empty list; the fill then selected the first entry.
    QCOMPARE(page.tableList()->count(), 3);
    QCOMPARE(page.tableList()->currentRow(), 0);
    // A later load does nothing: the selection stays where the user put it.
    page.tableList()->setCurrentRow(1);
    page.load();
    QCOMPARE(page.tableList()->currentRow(), 1);
  }

  void backShowsTheDatabasePageAndKeepsTheList() {
    Harness h;
    shell::TablePage& page = openTablePage(h);
    page.tableList()->setCurrentRow(2);
    page.backButton()->click();
    QVERIFY(h.databasePage().isVisible());
    QVERIFY(!page.isVisible());
    QCOMPARE(page.tableList()->count(), 3);
    QCOMPARE(page.tableList()->currentRow(), 2);
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void nextHandsTheChosenTableToTheEditor() {
    Harness h;
    RecordingOpener opener;
    h.tableOpener = &opener;
    shell::TablePage& page = openTablePage(h);
    page.tableList()->setCurrentRow(1);
    page.nextButton()->click();
    QCOMPARE(opener.chosen, std::vector<std::string>{"Table2"});

    // Double-clicking an entry only selects it.
    QListWidget* list = page.tableList();
    const QRect third = list->visualItemRect(list->item(2));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(list->currentRow(), 2);
    QCOMPARE(opener.chosen.size(), size_t(1));
  }

  void handPointerOverTheButtonsDefaultOverTheList() {
    Harness h;
    shell::TablePage& page = openTablePage(h);
    QMouseEvent overButton(QEvent::MouseMove, QPointF(3, 3), page.backButton()->mapToGlobal(QPointF(3, 3)),
                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page.backButton(), &overButton);
    QCOMPARE(page.pointer().mousePointer(), 99);
    QMouseEvent overList(QEvent::MouseMove, QPointF(3, 3), page.tableList()->viewport()->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page.tableList()->viewport(), &overList);
    QCOMPARE(page.pointer().mousePointer(), 0);
  }

  void damagedHandPointerIsReportedByTheLoadAtStep108() {
    Harness h;
    h.writeProgramFile("HAND-M.CUR", "MZ not a cursor");
    openTablePage(h);
    QCOMPARE(h.messageBoxes.shown.size(), size_t(2));
    QVERIFY(
        h.messageBoxes.shown[0].text.ends_with("\r\nin Ledgerfen2020/08/02.Form1.Form_Load at line 126\r\r"
                                               "Please email screenshot of this message to support@ledgerfen.com"));
    QVERIFY(
        h.messageBoxes.shown[1].text.ends_with("\r\nin Ledgerfen2020/08/02.Form2.Form_Load at line 108\r\r"
                                               "Please email screenshot of this message to support@ledgerfen.com"));
    // The load went on: caption set, page shown with its tables.
    QCOMPARE(h.tablePage()->windowTitle(), QString("Ledgerfen Software"));
    QCOMPARE(h.tablePage()->tableList()->count(), 3);
  }
};

LEDGERFEN_QTEST_MAIN(TablePageTest)
#include "table_page_test.moc"
