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

struct RecordingForward : editor::TablePageForward {
  std::vector<std::string> chosen;
  void PushButton3_Click(editor::Form2& page) override {
    QListWidgetItem* item = page.List1()->currentItem();
    chosen.push_back(item ? item->text().toStdString() : "");
  }
};

// Starts the program on a database whose tables fill the page.
editor::Form2& openTablePage(Harness& h, const std::string& path = "jackcess/V2003/queryTestV2003.mdb") {
  h.settings.preset("Database", fixture(path));
  h.start();
  if (!h.form2()) qFatal("the table page did not open");
  return *h.form2();
}

}  // namespace

class TablePageTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutFollowsTheDesign() {
    Harness h;
    editor::Form2& page = openTablePage(h);
    QCOMPARE(page.size(), QSize(392, 186));
    QCOMPARE(page.minimumSize(), page.maximumSize());
    QCOMPARE(page.windowTitle(), QString("Ledgerfen Software"));
    QVERIFY(!page.windowIcon().isNull());
    QCOMPARE(page.font().family(), QString("Arial"));
    QCOMPARE(page.font().pixelSize(), 12);
    QVERIFY(page.font().bold());

    QCOMPARE(page.Frame1()->geometry(), QRect(8, 8, 376, 141));
    QCOMPARE(page.Frame1()->title(), QString("Which table do you want edit?"));
    QCOMPARE(page.List1()->parentWidget(), page.Frame1());
    QCOMPARE(page.List1()->geometry(), QRect(16, 20, 344, 109));
    QCOMPARE(page.List1()->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!page.List1()->isSortingEnabled());
    QCOMPARE(page.PushButton2()->geometry(), QRect(8, 157, 185, 27));
    QCOMPARE(page.PushButton2()->text(), QString("< Back"));
    QCOMPARE(page.PushButton3()->geometry(), QRect(200, 157, 184, 27));
    QCOMPARE(page.PushButton3()->text(), QString("Next >"));
    for (QPushButton* b : {page.PushButton2(), page.PushButton3()}) {
      QCOMPARE(b->font().pixelSize(), 15);
      QVERIFY(b->font().bold());
    }
    QCOMPARE(test::tabOrderFrom(page.List1()), (QList<QWidget*>{page.List1(), page.PushButton2(), page.PushButton3()}));

    // The table page always shows button-face colours.
    QCOMPARE(page.palette().color(QPalette::Window), shell::buttonFaceColor());
    QCOMPARE(page.Frame1()->palette().color(QPalette::Window), shell::buttonFaceColor());
  }

  void loadsOnceBeforeItsListIsFirstFilled() {
    Harness h;
    editor::Form2& page = openTablePage(h);
    QVERIFY(page.loaded());
    // Load ran on an empty list; the fill then selected the first entry.
    QCOMPARE(page.List1()->count(), 3);
    QCOMPARE(page.List1()->currentRow(), 0);
    // A later load does nothing: the selection stays where the user put it.
    page.List1()->setCurrentRow(1);
    page.load();
    QCOMPARE(page.List1()->currentRow(), 1);
  }

  void backShowsTheDatabasePageAndKeepsTheList() {
    Harness h;
    editor::Form2& page = openTablePage(h);
    page.List1()->setCurrentRow(2);
    page.PushButton2()->click();
    QVERIFY(h.databasePage().isVisible());
    QVERIFY(!page.isVisible());
    QCOMPARE(page.List1()->count(), 3);
    QCOMPARE(page.List1()->currentRow(), 2);
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void nextHandsTheChosenTableToTheEditor() {
    Harness h;
    RecordingForward forward;
    h.tableForward = &forward;
    editor::Form2& page = openTablePage(h);
    page.List1()->setCurrentRow(1);
    page.PushButton3()->click();
    QCOMPARE(forward.chosen, std::vector<std::string>{"Table2"});

    // Double-clicking an entry only selects it.
    QListWidget* list = page.List1();
    const QRect third = list->visualItemRect(list->item(2));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(list->currentRow(), 2);
    QCOMPARE(forward.chosen.size(), size_t(1));
  }

  void handPointerOverTheButtonsDefaultOverTheList() {
    Harness h;
    editor::Form2& page = openTablePage(h);
    QMouseEvent overButton(QEvent::MouseMove, QPointF(3, 3), page.PushButton2()->mapToGlobal(QPointF(3, 3)),
                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page.PushButton2(), &overButton);
    QCOMPARE(page.pointer().mousePointer(), 99);
    QMouseEvent overList(QEvent::MouseMove, QPointF(3, 3), page.List1()->viewport()->mapToGlobal(QPointF(3, 3)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(page.List1()->viewport(), &overList);
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
    QCOMPARE(h.form2()->windowTitle(), QString("Ledgerfen Software"));
    QCOMPARE(h.form2()->List1()->count(), 3);
  }
};

LEDGERFEN_QTEST_MAIN(TablePageTest)
#include "table_page_test.moc"
