// The error report and the carrying-on rule that every trapping handler uses.
#include "ledgerfen/shell/error_report.h"

#include <stdexcept>

#include "fakes.h"
#include "qt_test_main.h"

using namespace ledgerfen;

class ErrorReportTest : public QObject {
  Q_OBJECT

 private slots:
  void reportTextIsExact() {
    const std::string text =
        shell::errorReportText("Not a valid password.", shell::handlerLocation("Form1", "PushButton3_Click"), 100);
    QCOMPARE(text, std::string("Not a valid password.\r\nin Ledgerfen2020/08/02.Form1.PushButton3_Click at line "
                               "100\r\rPlease email screenshot of this message to support@ledgerfen.com"));
    // One CR LF after the description, two lone CRs before the request.
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), 1);
    QCOMPARE(std::count(text.begin(), text.end(), '\r'), 3);
    QVERIFY(shell::errorReportText("x", "in L ", 7).find("at line 7\r\r") != std::string::npos);
    QVERIFY(shell::errorReportText("x", "in L ", 1000).find("at line 1000\r\r") != std::string::npos);
  }

  void locationsNameTheWindowAndTheHandler() {
    QCOMPARE(shell::handlerLocation("Form1", "Form_Load"), std::string("in Ledgerfen2020/08/02.Form1.Form_Load "));
    QCOMPARE(shell::handlerLocation("Form2", "PushButton2_Click"),
             std::string("in Ledgerfen2020/08/02.Form2.PushButton2_Click "));
  }

  // The windows' tables keep the locations the reports have always shown.
  void everyHandlerReportsUnderItsLongstandingName() {
    const auto& database = shell::kDatabasePageReports;
    const auto& tables = shell::kTablePageReports;
    const auto& editor = shell::kTableEditorReports;
    std::vector<std::string> locations;
    for (const shell::ReportLocation& at :
         {database.load, database.loadSample, database.next, database.browse, tables.load, tables.back, tables.next,
          editor.load, editor.back, editor.help, editor.exportMenu, editor.quit, editor.exportTxt, editor.exportCsv,
          editor.exportXml, editor.exportPdf, editor.exportXls}) {
      locations.push_back(shell::handlerLocation(at));
    }
    const std::string dated = "in Ledgerfen2020/08/02.";
    QCOMPARE(locations,
             (std::vector<std::string>{
                 dated + "Form1.Form_Load ", dated + "Form1.PushButton1_Click ", dated + "Form1.PushButton3_Click ",
                 dated + "Form1.PushButton6_Click ", dated + "Form2.Form_Load ", dated + "Form2.PushButton2_Click ",
                 dated + "Form2.PushButton3_Click ", dated + "Form3.Form_Load ", dated + "Form3.PushButton1_Click ",
                 dated + "Form3.PushButton4_Click ", dated + "Form3.PushButton6_Click ",
                 dated + "Form3.PushButton3_Click ", dated + "Form3.mnuTXT_Click ", dated + "Form3.mnuCSV_Click ",
                 dated + "Form3.mnuXML_Click ", dated + "Form3.mnuPDF_Click ", "in Ledgerfen.Form3.mnuXLS_Click "}));
  }

  void reportIsAWarningTitledApplicationError() {
    test::FakeMessageBoxes boxes;
    shell::MessageService messages(boxes);
    messages.setApplicationTitle("Ledgerfen");
    shell::ErrorReporter reporter(messages);
    reporter.report("Disk full.", "in Ledgerfen2020/08/02.Form1.Form_Load ", 126);
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(boxes.shown[0].title, std::string("Application Error"));
    QVERIFY(boxes.shown[0].icon == shell::MessageIcon::Warning);
    QVERIFY(boxes.shown[0].buttons == shell::MessageButtons::Ok);
    QCOMPARE(boxes.shown[0].text, shell::errorReportText("Disk full.", "in Ledgerfen2020/08/02.Form1.Form_Load ", 126));

    // Boxes without a title of their own carry the application title.
    messages.show("Please select a table");
    QCOMPARE(boxes.shown[1].title, std::string("Ledgerfen"));
    QVERIFY(boxes.shown[1].icon == shell::MessageIcon::None);
  }

  void aFailingStepIsReportedAndTheHandlerCarriesOn() {
    test::FakeMessageBoxes boxes;
    shell::MessageService messages(boxes);
    shell::ErrorReporter reporter(messages);
    shell::TrappedHandler h(reporter, "in Ledgerfen2020/08/02.Form9.Test ");
    std::vector<int> ran;
    h.step(100, [&] { ran.push_back(100); });
    h.step(102, [&]() -> Status { return Error(ErrorKind::Io, "first failure"); });
    h.step(104, [&]() -> Status {
      ran.push_back(104);
      return okStatus();
    });
    h.step(106, [&]() -> Result<int> { return Error(ErrorKind::Corrupt, "second failure"); });
    h.step(108, [&] { throw std::runtime_error("thrown failure"); });
    h.step(110, [&] { ran.push_back(110); });
    QCOMPARE(ran, (std::vector<int>{100, 104, 110}));
    QCOMPARE(h.failures(), 3);
    QVERIFY(!h.cancelled());
    // Work the user cancelled is no failure to report.
    QVERIFY(!h.step(112, [&]() -> Status { return Error(ErrorKind::Cancelled, "stopped"); }));
    QVERIFY(h.cancelled());
    QCOMPARE(h.failures(), 3);
    QCOMPARE(boxes.texts(), (std::vector<std::string>{
                                shell::errorReportText("first failure", h.location(), 102),
                                shell::errorReportText("second failure", h.location(), 106),
                                shell::errorReportText("thrown failure", h.location(), 108),
                            }));
  }

  void aFailingTestCountsAsPassed() {
    test::FakeMessageBoxes boxes;
    shell::MessageService messages(boxes);
    shell::ErrorReporter reporter(messages);
    shell::TrappedHandler h(reporter, "in X ");
    QVERIFY(h.test(110, [] { return true; }));
    QVERIFY(!h.test(110, [] { return false; }));
    QVERIFY(h.test(110, []() -> Result<bool> { return Error(ErrorKind::Io, "cannot tell"); }));
    QVERIFY(h.test(110, []() -> bool { throw std::runtime_error("cannot tell either"); }));
    QCOMPARE(boxes.shown.size(), size_t(2));
    QCOMPARE(boxes.shown[0].text, shell::errorReportText("cannot tell", "in X ", 110));
  }
};

LEDGERFEN_QTEST_MAIN(ErrorReportTest)
#include "error_report_test.moc"
