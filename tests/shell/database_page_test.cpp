// The database page and the start-up sequence, driven through the whole
// program over fake platform services: what a person sees on first run,
// with remembered settings, when typing, browsing and going on and back.
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>

#include "harness.h"
#include "ledgerfen/data/provider_check.h"
#include "ledgerfen/shell/appearance.h"
#include "qt_test_main.h"
#include "support/fixtures.h"

using namespace ledgerfen;
using test::Harness;

namespace {

std::string fixture(const std::string& path) {
  return test::fixtureNamed(path).fullPath();
}
const std::string kQueryTest = "jackcess/V2003/queryTestV2003.mdb";
const std::string kWithPassword = "mdb-reader/password/data/V2000_with-password.mdb";
const std::string kEmpty = "mdb-reader/data/V2003/empty.mdb";

QStringList listEntries(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void moveMouseOver(QWidget* widget, QPoint at = QPoint(2, 2)) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

}  // namespace

class DatabasePageTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { qApp->setStyleSheet(QString()); }

  void layoutFollowsTheDesign() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    QCOMPARE(page.size(), QSize(536, 139));
    QCOMPARE(page.minimumSize(), page.maximumSize());
    QCOMPARE(page.windowTitle(), QString("Ledgerfen Software"));
    QVERIFY(!page.windowIcon().isNull());

    // Positions in pixels (twips / 15), captions and fonts: Arial 9 pt bold
    // (12 pixels) for the frame, labels and boxes, 11.25 pt bold (15 pixels)
    // for the buttons.
    struct Control {
      QWidget* widget;
      QRect geometry;
      QString caption;
      int pixelSize;
    };
    for (const Control& c :
         std::initializer_list<Control>{{page.databaseFrame(), {8, 8, 520, 89}, "Access Database", 12},
                                        {page.databasePathLabel(), {16, 23, 129, 17}, "MDB or ACCDB File:", 12},
                                        {page.databasePathBox(), {152, 20, 313, 23}, "", 12},
                                        {page.browseButton(), {472, 20, 30, 23}, "...", 15},
                                        {page.passwordLabel(), {16, 56, 130, 15}, "Password (if required):", 12},
                                        {page.passwordBox(), {152, 53, 351, 23}, "", 12},
                                        {page.sampleButton(), {8, 105, 256, 27}, "Load Sample/Example Database", 15},
                                        {page.nextButton(), {272, 105, 256, 27}, "Next >", 15}}) {
      QCOMPARE(c.widget->geometry(), c.geometry);
      QCOMPARE(c.widget->property(qobject_cast<QGroupBox*>(c.widget) ? "title" : "text").toString(), c.caption);
      QCOMPARE(c.widget->font().family(), QString("Arial"));
      QCOMPARE(c.widget->font().pixelSize(), c.pixelSize);
      QVERIFY(c.widget->font().bold());
    }
    QVERIFY(!page.font().bold());
    // Arial itself or a face with its metrics, so the captions fit.
    QVERIFY2(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(page.databasePathBox()->font()).family()),
             qPrintable(QFontInfo(page.databasePathBox()->font()).family()));

    QCOMPARE(page.passwordBox()->echoMode(), QLineEdit::Password);
    QCOMPARE(page.passwordBox()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, page.passwordBox()),
             int('*'));
    QCOMPARE(page.databasePathBox()->echoMode(), QLineEdit::Normal);

    QCOMPARE(test::tabOrderFrom(page.databasePathBox()),
             (QList<QWidget*>{page.databasePathBox(), page.nextButton(), page.passwordBox(), page.browseButton(),
                              page.sampleButton()}));
    QCOMPARE(page.focusWidget(), page.databasePathBox());

    const QRect screen = page.screen()->availableGeometry();
    QVERIFY(qAbs(page.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(page.geometry().center().y() - screen.center().y()) <= 1);

    // White without a skin, the frame and the labels too.
    QCOMPARE(page.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(page.databaseFrame()->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(page.databasePathLabel()->palette().color(QPalette::Window), QColor(Qt::white));
  }

  void firstRunShowsEmptyBoxesAndStillRunsBothChecks() {
    Harness h;
    app::Program& program = h.start();
    QVERIFY(program.databasePage().isVisible());
    QCOMPARE(program.databasePage().databasePathBox()->text(), QString());
    QCOMPARE(program.databasePage().passwordBox()->text(), QString());
    QVERIFY(program.tablePage() == nullptr);
    QCOMPARE(h.engine.connectionsMade, 1);  // the provider check
    QCOMPARE(h.pdfPrinter.calls, 1);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(program.messages().applicationTitle(), std::string("Ledgerfen"));
    QVERIFY(!h.control.ended());
  }

  void rememberedPathToAMissingFileIsOnlyShown() {
    Harness h;
    h.settings.preset("Database", "/nonexistent/shop.mdb");
    h.settings.preset("Password", "pw");
    app::Program& program = h.start();
    QVERIFY(program.databasePage().isVisible());
    QCOMPARE(program.databasePage().databasePathBox()->text(), QString("/nonexistent/shop.mdb"));
    QCOMPARE(program.databasePage().passwordBox()->text(), QString("pw"));
    QVERIFY(program.tablePage() == nullptr);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(h.pdfPrinter.calls, 1);
  }

  void rememberedDatabaseGoesStraightToTheTablePage() {
    Harness h;
    h.settings.preset("Database", fixture(kQueryTest));
    app::Program& program = h.start();
    QVERIFY(program.tablePage() != nullptr);
    QVERIFY(program.tablePage()->isVisible());
    QVERIFY(!program.databasePage().isVisible());
    QCOMPARE(listEntries(program.tablePage()->tableList()), QStringList({"Table1", "Table2", "Table3"}));
    QCOMPARE(program.tablePage()->tableList()->currentRow(), 0);
    QCOMPARE(h.pdfPrinter.calls, 1);
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void wrongRememberedPasswordReportsNextStep100AndShowsThePage() {
    Harness h;
    h.settings.preset("Database", fixture(kWithPassword));
    h.settings.preset("Password", "not the password");
    app::Program& program = h.start();
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    const shell::MessageRequest& report = h.messageBoxes.shown[0];
    QCOMPARE(report.text, std::string("Not a valid password.\r\n"
                                      "in Ledgerfen2020/08/02.Form1.PushButton3_Click at line 100\r\r"
                                      "Please email screenshot of this message to support@ledgerfen.com"));
    QCOMPARE(report.title, std::string("Application Error"));
    QVERIFY(report.icon == shell::MessageIcon::Warning);
    QVERIFY(report.buttons == shell::MessageButtons::Ok);
    QVERIFY(program.databasePage().isVisible());
    QVERIFY(program.tablePage() == nullptr);
    QCOMPARE(h.pdfPrinter.calls, 1);

    // With the right password the same page goes on.
    program.databasePage().passwordBox()->setText("password");
    program.databasePage().nextButton()->click();
    QVERIFY(program.tablePage() && program.tablePage()->isVisible());
    QCOMPARE(listEntries(program.tablePage()->tableList()).size(), 1);
  }

  // A file opened from the file manager: it takes the remembered one's
  // place, goes straight on, and is the one remembered next time.
  void aFileNamedAtStartUpOpensAsIfTypedAndIsRemembered() {
    Harness h;
    h.settings.preset("Database", fixture(kEmpty));
    app::Program& program = h.start(fixture(kQueryTest));
    QVERIFY(program.tablePage() && program.tablePage()->isVisible());
    QCOMPARE(listEntries(program.tablePage()->tableList()), QStringList({"Table1", "Table2", "Table3"}));
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(h.pdfPrinter.calls, 1);
    QCOMPARE(h.restart().databasePage().databasePathBox()->text(), QString::fromStdString(fixture(kQueryTest)));

    // One that is missing is only shown, like a remembered one.
    Harness missing;
    app::Program& shown = missing.start("/nonexistent/shop.accdb");
    QVERIFY(shown.databasePage().isVisible() && shown.tablePage() == nullptr);
    QCOMPARE(shown.databasePage().databasePathBox()->text(), QString("/nonexistent/shop.accdb"));
    QVERIFY(missing.messageBoxes.shown.empty());
  }

  // The remembered password belongs to another file: the page asks for
  // this one's, without a report, and goes on once it is typed.
  void aFileNamedAtStartUpThatNeedsAPasswordAsksForIt() {
    Harness h;
    h.settings.preset("Password", "another file's password");
    app::Program& program = h.start(fixture(kWithPassword));
    shell::DatabasePage& page = program.databasePage();
    QVERIFY(page.isVisible());
    QVERIFY(program.tablePage() == nullptr);
    QVERIFY(h.messageBoxes.shown.empty());
    QCOMPARE(page.databasePathBox()->text(), QString::fromStdString(fixture(kWithPassword)));
    QTRY_VERIFY(page.passwordBox()->hasFocus());
    QCOMPARE(h.pdfPrinter.calls, 1);

    page.passwordBox()->setText("password");
    page.nextButton()->click();
    QVERIFY(program.tablePage() && program.tablePage()->isVisible());
  }

  void typingSavesEveryKeystrokeAndTheNextRunRestoresItExactly() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    QTest::keyClicks(page.databasePathBox(), "/d;b=");
    QTest::keyClicks(page.passwordBox(), " p;=w ");
    std::vector<std::pair<std::string, std::string>> expected{
        {"Database", "/"},     {"Database", "/d"},    {"Database", "/d;"},   {"Database", "/d;b"},
        {"Database", "/d;b="}, {"Password", " "},     {"Password", " p"},    {"Password", " p;"},
        {"Password", " p;="},  {"Password", " p;=w"}, {"Password", " p;=w "}};
    QCOMPARE(h.settings.saves, expected);

    shell::DatabasePage& again = h.restart().databasePage();
    QCOMPARE(again.databasePathBox()->text(), QString("/d;b="));
    QCOMPARE(again.passwordBox()->text(), QString(" p;=w "));

    // A cleared password is stored as empty text and restored as an empty box.
    again.passwordBox()->clear();
    QCOMPARE(h.settings.value("Password"), std::string());
    QCOMPARE(h.restart().databasePage().passwordBox()->text(), QString());
  }

  void browseAsksForAccessDatabasesAndACancelChangesNothing() {
    Harness h;
    h.settings.preset("Database", "/earlier.mdb");
    shell::DatabasePage& page = h.start().databasePage();
    const size_t savesBefore = h.settings.saves.size();
    page.browseButton()->click();
    QCOMPARE(h.fileDialogs.requests.size(), size_t(1));
    const shell::OpenFileRequest& request = h.fileDialogs.requests[0];
    QCOMPARE(request.title, std::string("Select Access Database"));
    QCOMPARE(request.filter, std::string("All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|"
                                         "*.mdb|Microsoft 2007 Database (*.accdb)|*.accdb|"));
    QCOMPARE(request.flags, uint32_t(0x280001));
    QCOMPARE(page.databasePathBox()->text(), QString("/earlier.mdb"));
    QCOMPARE(h.settings.saves.size(), savesBefore);

    h.fileDialogs.answer = "/home/me/My Shop.accdb";
    page.browseButton()->click();
    QCOMPARE(page.databasePathBox()->text(), QString("/home/me/My Shop.accdb"));
    QCOMPARE(h.settings.value("Database"), std::string("/home/me/My Shop.accdb"));
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void sampleButtonFillsInTheSamplePathWhetherOrNotItExists() {
    Harness h;
    h.settings.preset("Password", "kept");
    shell::DatabasePage& page = h.start().databasePage();
    page.sampleButton()->click();
    const QString sample = QString::fromStdString(h.folder()) + "/Samples/sample.mdb";
    QCOMPARE(page.databasePathBox()->text(), sample);
    QCOMPARE(h.settings.value("Database"), sample.toStdString());
    QCOMPARE(page.passwordBox()->text(), QString("kept"));
    QVERIFY(h.program->tablePage() == nullptr);
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void nextWithAnEmptyOrMissingPathDoesNothing() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    for (const char* path : {"", "/nonexistent/shop.mdb"}) {
      page.databasePathBox()->setText(path);
      page.nextButton()->click();
      QVERIFY(page.isVisible());
      QVERIFY(h.program->tablePage() == nullptr);
      QVERIFY(h.messageBoxes.shown.empty());
    }
  }

  void nextOnADatabaseWithoutUserTablesShowsAnEmptyList() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    page.databasePathBox()->setText(QString::fromStdString(fixture(kEmpty)));
    page.nextButton()->click();
    QVERIFY(h.program->tablePage() && h.program->tablePage()->isVisible());
    QCOMPARE(h.program->tablePage()->tableList()->count(), 0);
    QCOMPARE(h.program->tablePage()->tableList()->currentRow(), -1);
    QVERIFY(!page.isVisible());
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void aFailingFillIsReportedAtStep106AndTheTablePageStillOpens() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    // The provider check and the first catalogue read succeed; the engine
    // is gone by the time the list is filled.
    h.engine.missingFromConnection = 3;
    page.databasePathBox()->setText(QString::fromStdString(fixture(kQueryTest)));
    page.nextButton()->click();
    QCOMPARE(h.messageBoxes.texts(),
             std::vector<std::string>{test::reportText("Provider cannot be found. It may not be properly installed.",
                                                       "Form1", "PushButton3_Click", 106)});
    QVERIFY(h.program->tablePage() && h.program->tablePage()->isVisible());
    QCOMPARE(h.program->tablePage()->tableList()->count(), 0);
    QVERIFY(!page.isVisible());
  }

  void backKeepsTheFieldsAndDoesNotRerunTheStartUp() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    page.databasePathBox()->setText(QString::fromStdString(fixture(kQueryTest)));
    page.passwordBox()->setText("ignored by a database without a password");
    const int readsAfterStartUp = h.settings.reads;
    page.nextButton()->click();
    shell::TablePage* tables = h.program->tablePage();
    QVERIFY(tables && tables->isVisible());
    tables->tableList()->setCurrentRow(2);

    tables->backButton()->click();
    QVERIFY(page.isVisible());
    QVERIFY(!tables->isVisible());
    QCOMPARE(page.databasePathBox()->text(), QString::fromStdString(fixture(kQueryTest)));
    QCOMPARE(page.passwordBox()->text(), QString("ignored by a database without a password"));
    QCOMPARE(h.settings.reads, readsAfterStartUp);
    QCOMPARE(h.pdfPrinter.calls, 1);
    QCOMPARE(h.engine.connectionsMade, 3);  // the provider check and the two catalogue reads
    QCOMPARE(tables->tableList()->currentRow(), 2);

    // Going on again refills the list and selects the first entry.
    page.nextButton()->click();
    QCOMPARE(h.program->tablePage(), tables);
    QCOMPARE(listEntries(tables->tableList()), QStringList({"Table1", "Table2", "Table3"}));
    QCOMPARE(tables->tableList()->currentRow(), 0);
    QVERIFY(tables->isVisible());
  }

  void closingEitherPageEndsTheProgram() {
    Harness first;
    first.start().databasePage().close();
    QVERIFY(first.control.ended());

    Harness second;
    second.settings.preset("Database", fixture(kQueryTest));
    second.start();
    QVERIFY(!second.control.ended());
    second.program->tablePage()->close();
    QVERIFY(second.control.ended());
  }

  void missingProviderExplainsOffersTheDownloadPagesAndEnds() {
    Harness no;
    no.engine.providerMissing = true;
    no.messageBoxes.yesNoAnswers.push_back(shell::MessageAnswer::No);
    no.start();
    QCOMPARE(no.messageBoxes.shown.size(), size_t(1));
    QCOMPARE(no.messageBoxes.shown[0].text, data::providerMissingMessage("support@ledgerfen.com"));
    QCOMPARE(no.messageBoxes.shown[0].title, std::string("Ledgerfen"));
    QVERIFY(no.messageBoxes.shown[0].icon == shell::MessageIcon::None);
    QVERIFY(no.messageBoxes.shown[0].buttons == shell::MessageButtons::YesNo);
    QVERIFY(no.control.ended());
    QVERIFY(!no.databasePage().isVisible());
    QVERIFY(no.browser.opened.empty());
    QCOMPARE(no.pdfPrinter.calls, 0);

    Harness yes;
    yes.engine.providerMissing = true;
    yes.start();
    QCOMPARE(yes.browser.opened,
             (std::vector<std::string>{"https://www.microsoft.com/en-us/download/details.aspx?id=13255",
                                       "https://www.microsoft.com/en-us/download/details.aspx?id=54920"}));
    QVERIFY(yes.control.ended());
    QVERIFY(!yes.databasePage().isVisible());
  }

  void damagedHandPointerIsReportedAtStep126AndTheStartUpGoesOn() {
    Harness h;
    h.writeProgramFile("HAND-M.CUR", "this is not a cursor");
    h.settings.preset("Database", "/nonexistent/shop.mdb");
    shell::DatabasePage& page = h.start().databasePage();
    QCOMPARE(h.messageBoxes.shown.size(), size_t(1));
    const std::string& text = h.messageBoxes.shown[0].text;
    QVERIFY2(text.starts_with("Invalid picture: "), text.c_str());
    const std::string tail =
        "\r\nin Ledgerfen2020/08/02.Form1.Form_Load at line 126\r\r"
        "Please email screenshot of this message to support@ledgerfen.com";
    QVERIFY2(text.ends_with(tail), text.c_str());
    QVERIFY(!page.pointer().hasMouseIcon());
    QCOMPARE(page.databasePathBox()->text(), QString("/nonexistent/shop.mdb"));  // step 128 ran
    QVERIFY(page.isVisible());
  }

  void handPointerFileIsThePointerOverButtons() {
    Harness h;
    h.writeProgramFile("HAND-M.CUR", test::makeCursorFile(5, 7));
    shell::DatabasePage& page = h.start().databasePage();
    QVERIFY(h.messageBoxes.shown.empty());
    QVERIFY(page.pointer().hasMouseIcon());
    moveMouseOver(page.nextButton());
    QCOMPARE(page.pointer().mousePointer(), 99);
    QCOMPARE(page.cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(page.cursor().hotSpot(), QPoint(5, 7));
  }

  void pointerFollowsTheMouseButLeavesTheBusyPointer() {
    Harness h;
    shell::DatabasePage& page = h.start().databasePage();
    moveMouseOver(page.sampleButton());
    QCOMPARE(page.pointer().mousePointer(), 99);
    QCOMPARE(page.cursor().shape(), Qt::PointingHandCursor);  // no hand pointer file
    moveMouseOver(page.passwordBox());
    QCOMPARE(page.pointer().mousePointer(), 0);
    // A move over the "..." button that the button leaves to the frame below
    // it must not undo the hand.
    moveMouseOver(page.browseButton());
    QCOMPARE(page.pointer().mousePointer(), 99);
    moveMouseOver(page.databaseFrame(), QPoint(3, 40));
    QCOMPARE(page.pointer().mousePointer(), 0);

    page.pointer().setMousePointer(11);
    QCOMPARE(page.cursor().shape(), Qt::WaitCursor);
    moveMouseOver(page.nextButton());
    moveMouseOver(&page, QPoint(2, 2));
    QCOMPARE(page.pointer().mousePointer(), 11);
  }

  void pdfPrinterCheckFailureIsReportedAtStep136() {
    Harness h;
    h.pdfPrinter.failure = "The printers cannot be listed.";
    h.start();
    QCOMPARE(h.messageBoxes.texts(),
             std::vector<std::string>{test::reportText("The printers cannot be listed.", "Form1", "Form_Load", 136)});
    QVERIFY(h.databasePage().isVisible());
  }

  void skinFileStylesTheWholeApplication() {
    Harness h;
    const std::string sheet = "QPushButton { color: rgb(1, 2, 3); }";
    h.writeProgramFile("x/o.cjs", sheet);
    h.settings.preset("Database", fixture(kQueryTest));
    h.start();
    QCOMPARE(qApp->styleSheet(), QString::fromStdString(sheet));
    shell::DatabasePage& page = h.databasePage();
    QCOMPARE(page.palette().color(QPalette::Window), shell::buttonFaceColor());
    QCOMPARE(page.databaseFrame()->palette().color(QPalette::Window), shell::buttonFaceColor());
    QCOMPARE(page.passwordLabel()->palette().color(QPalette::Window), shell::buttonFaceColor());
    // The table page, opened later, takes the skin too.
    QPushButton* back = h.program->tablePage()->backButton();
    back->ensurePolished();
    QCOMPARE(back->palette().color(QPalette::ButtonText), QColor(1, 2, 3));
  }

  void skinFolderInsteadOfAFileIsNoSkin() {
    Harness h;
    QVERIFY(QDir().mkpath(QString::fromStdString(h.folder()) + "/x/o.cjs"));
    shell::DatabasePage& page = h.start().databasePage();
    QCOMPARE(qApp->styleSheet(), QString());
    QCOMPARE(page.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(h.messageBoxes.shown.empty());
  }

  void textBoxesSelectTheirWholeTextOnFocus() {
    Harness h;
    h.settings.preset("Database", "/some/path.mdb");
    h.settings.preset("Password", "secret");
    shell::DatabasePage& page = h.start().databasePage();
    for (QLineEdit* box : {page.databasePathBox(), page.passwordBox()}) {
      box->deselect();
      QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
      QApplication::sendEvent(box, &focus);
      QCOMPARE(box->selectionStart(), 0);
      QCOMPARE(box->selectionLength(), box->text().size());
    }
  }
};

LEDGERFEN_QTEST_MAIN(DatabasePageTest)
#include "database_page_test.moc"
