// The editor's XLS command over a spreadsheet program that can fail at any
// step, and once over LibreOffice Calc's workbook read back by Gnumeric.
#include "ledgerfen/export/xls_command.h"

#include <gtest/gtest.h>

#include "command_fakes.h"
#include "ledgerfen/export/calc_spreadsheet.h"
#include "office_stand_in.h"
#include "support/temp_dir.h"
#include "table_grid.h"

namespace ledgerfen {
namespace {

using exporting::ColumnKind;
using exporting::XlsCommand;
using Cells = std::map<std::pair<int32_t, int32_t>, std::string>;
using Kinds = std::map<std::pair<int32_t, int32_t>, ColumnKind>;

class XlsCommandTest : public ::testing::Test {
 protected:
  XlsCommandTest() : messages_(boxes_), errors_(messages_) { messages_.setApplicationTitle("Ledgerfen"); }

  // The step numbers of the reports shown, in order; each report must be
  // the command's own, with its location.
  std::vector<int> reportedLines() const {
    std::vector<int> lines;
    for (const auto& shown : boxes_.shown) {
      const std::string marker = "\r\nin Ledgerfen.Form3.mnuXLS_Click at line ";
      const size_t at = shown.text.find(marker);
      EXPECT_NE(at, std::string::npos) << shown.text;
      EXPECT_EQ(shown.title, "Application Error");
      if (at != std::string::npos) lines.push_back(std::stoi(shown.text.substr(at + marker.size())));
    }
    return lines;
  }

  const Cells& cells() const { return spreadsheet_.workbooks.at(0)->cells; }

  test::TableGrid grid_{
      test::TableData{{"ID", "Name"}, {{"1", "Ada"}, {"2", std::nullopt}}, {ColumnKind::Number, ColumnKind::Text}}};
  test::FakeSpreadsheet spreadsheet_;
  test::FakePointer pointer_;
  test::RecordedProgress progress_;
  test::RecordedMessageBoxes boxes_;
  shell::MessageService messages_;
  shell::ErrorReporter errors_;
  XlsCommand command_{grid_, spreadsheet_, pointer_, progress_, messages_, errors_};
};

TEST_F(XlsCommandTest, FillsCaptionsAndTextsFitsTheColumnsAndShowsTheWorkbook) {
  command_.run();
  EXPECT_TRUE(boxes_.shown.empty());
  ASSERT_EQ(spreadsheet_.workbooks.size(), 1u);
  EXPECT_EQ(cells(),
            (Cells{{{1, 1}, "ID"}, {{1, 2}, "Name"}, {{2, 1}, "1"}, {{2, 2}, "Ada"}, {{3, 1}, "2"}, {{3, 2}, ""}}));
  // Captions are text; each cell goes with the kind of its column.
  EXPECT_EQ(spreadsheet_.workbooks[0]->kinds, (Kinds{{{1, 1}, ColumnKind::Text},
                                                     {{1, 2}, ColumnKind::Text},
                                                     {{2, 1}, ColumnKind::Number},
                                                     {{2, 2}, ColumnKind::Text},
                                                     {{3, 1}, ColumnKind::Number},
                                                     {{3, 2}, ColumnKind::Text}}));
  EXPECT_EQ(spreadsheet_.workbooks[0]->fits, 1);
  EXPECT_EQ(spreadsheet_.applicationsShown, 1);
  // The presence test starts the program and quits it; the export asks for
  // an application of its own and never quits it.
  EXPECT_EQ(std::vector<std::string>(spreadsheet_.log.begin(), spreadsheet_.log.begin() + 4),
            (std::vector<std::string>{"create", "quit", "create", "addWorkbook"}));
  EXPECT_EQ(spreadsheet_.log.back(), "show");
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0}));
  EXPECT_EQ(grid_.currentRow(), 2);

  command_.run();  // a second export makes a second workbook
  EXPECT_EQ(spreadsheet_.workbooks.size(), 2u);
  EXPECT_EQ(spreadsheet_.applicationsShown, 2);
}

TEST_F(XlsCommandTest, AnEmptyTableDoesNothingNotEvenTheTest) {
  test::TableGrid empty(test::TableData{{"ID"}, {}});
  XlsCommand command(empty, spreadsheet_, pointer_, progress_, messages_, errors_);
  spreadsheet_.failAt("create", 1, true);
  command.run();
  EXPECT_TRUE(spreadsheet_.log.empty());
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(pointer_.settings.empty());
}

TEST_F(XlsCommandTest, AMissingProgramIsToldOnceAndNothingIsMade) {
  spreadsheet_.failAt("create", 1, true);
  command_.run();
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text,
            "Excel is not installed on this computer. You need to have it installed to use this feature.");
  EXPECT_EQ(boxes_.shown[0].title, "Ledgerfen");
  EXPECT_EQ(boxes_.shown[0].icon, shell::MessageIcon::None);
  EXPECT_EQ(boxes_.shown[0].buttons, shell::MessageButtons::Ok);
  EXPECT_EQ(spreadsheet_.log, std::vector<std::string>{"create"});
  EXPECT_TRUE(pointer_.settings.empty());
}

TEST_F(XlsCommandTest, AFailureToQuitTheTestInstanceEndsTheCommandSilently) {
  spreadsheet_.failAt("quit", 1, true);
  EXPECT_FALSE(command_.officeAvailable());
  command_.run();
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(spreadsheet_.workbooks.empty());
  EXPECT_TRUE(pointer_.settings.empty());
}

struct StepFailure {
  std::string name;
  std::string operation;
  int call;
  std::vector<int> lines;
};

class XlsStepFailures : public XlsCommandTest, public ::testing::WithParamInterface<StepFailure> {};

// Each failing step is reported with its number and the command goes on;
// every later step that needs what is missing fails and is reported too.
TEST_P(XlsStepFailures, AreReportedAndTheCommandCarriesOn) {
  const StepFailure& f = GetParam();
  spreadsheet_.failAt(f.operation, f.call);
  command_.run();
  EXPECT_EQ(reportedLines(), f.lines);
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0}));
  EXPECT_EQ(grid_.currentRow(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, XlsStepFailures,
    ::testing::Values(
        StepFailure{"CreatingTheApplication", "create", 2, {106, 108, 114, 114, 130, 130, 130, 130, 140, 142}},
        StepFailure{"AddingTheWorkbook", "addWorkbook", 1, {108, 114, 114, 130, 130, 130, 130, 140}},
        StepFailure{"SettingACaption", "setCell", 2, {114}}, StepFailure{"SettingACell", "setCell", 3, {130}},
        StepFailure{"FittingTheColumns", "autoFit", 1, {140}}, StepFailure{"ShowingTheWorkbook", "show", 1, {142}}),
    [](const auto& info) { return info.param.name; });

TEST_F(XlsCommandTest, WhenTheProgramGoesAwayEveryLaterStepIsReportedInTurn) {
  spreadsheet_.goAwayAfter(6);  // test, quit, create, add workbook, two captions
  command_.run();
  EXPECT_EQ(reportedLines(), (std::vector<int>{130, 130, 130, 130, 140, 142}));
  EXPECT_EQ(boxes_.shown[0].text.substr(0, boxes_.shown[0].text.find('\r')), "The spreadsheet program has gone away.");
  EXPECT_EQ(cells(), (Cells{{{1, 1}, "ID"}, {{1, 2}, "Name"}}));  // nothing is rolled back
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0}));
}

TEST_F(XlsCommandTest, GridFailuresAreReportedAtTheirStep) {
  grid_.failGoingToRow = 2;
  grid_.failCellRow = 1;
  grid_.failCellColumn = 1;
  command_.run();
  // Row 1's Name fails; going to row 2 fails, so its line shows row 1 again.
  EXPECT_EQ(reportedLines(), (std::vector<int>{130, 124, 130}));
  EXPECT_EQ(cells(), (Cells{{{1, 1}, "ID"}, {{1, 2}, "Name"}, {{2, 1}, "1"}, {{3, 1}, "1"}}));
}

// Cancel in the progress window stops the copy at the next row and throws
// the workbook away unshown, with nothing reported.
TEST_F(XlsCommandTest, CancelStopsTheCopyAndShowsNoWorkbook) {
  test::TableGrid tall(test::TableData{{"N"}, {{"1"}, {"2"}, {"3"}, {"4"}}});
  XlsCommand command(tall, spreadsheet_, pointer_, progress_, messages_, errors_);
  progress_.cancelAfter = 2;
  command.run();
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(progress_.begun, (std::vector<int64_t>{4}));
  EXPECT_EQ(progress_.ended, 1);
  EXPECT_EQ(cells(), (Cells{{{1, 1}, "N"}, {{2, 1}, "1"}, {{3, 1}, "2"}}));
  EXPECT_EQ(spreadsheet_.applicationsShown, 0);
  EXPECT_EQ(spreadsheet_.workbooks[0]->fits, 0);
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0}));
}

TEST_F(XlsCommandTest, RowsBeyondTheSheetAreReportedOnceAndTheRestIsDone) {
  test::TableGrid tall(test::TableData{{"N"}, {{"1"}, {"2"}, {"3"}, {"4"}}});
  XlsCommand command(tall, spreadsheet_, pointer_, progress_, messages_, errors_);
  spreadsheet_.lastRow = 3;
  command.run();
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_TRUE(boxes_.shown[0].text.starts_with(
      "The table has more rows than a sheet holds (3 rows); rows 3 to 4 are not copied.\r\n"
      "in Ledgerfen.Form3.mnuXLS_Click at line 130"));
  EXPECT_EQ(cells(), (Cells{{{1, 1}, "N"}, {{2, 1}, "1"}, {{3, 1}, "2"}}));
  EXPECT_EQ(spreadsheet_.applicationsShown, 1);
}

// A text longer than a cell holds is set cut; the first such cell is
// reported once, naming it, and later ones are cut without a word, while
// other failures of the same step are still reported each time.
TEST_F(XlsCommandTest, CellsTooLongForTheSheetAreCutAndReportedOnce) {
  test::TableGrid grid(test::TableData{{"ID", "Note"},
                                       {{"1", "short"}, {"2", "much too long"}, {"3", "also too long"}, {"4", "fine"}},
                                       {ColumnKind::Number, ColumnKind::Text}});
  XlsCommand command(grid, spreadsheet_, pointer_, progress_, messages_, errors_);
  spreadsheet_.cellTextLimit = 5;
  spreadsheet_.failAt("setCell", 9);  // row 4's ID
  command.run();
  EXPECT_EQ(reportedLines(), (std::vector<int>{130, 130}));
  EXPECT_TRUE(boxes_.shown[0].text.starts_with(
      "The text for cell B3 (Note of row 2) is longer than a cell of the sheet holds: it and every later cell too long "
      "for the sheet are cut to 5 characters.\r\nin Ledgerfen.Form3.mnuXLS_Click at line 130"))
      << boxes_.shown[0].text;
  EXPECT_TRUE(boxes_.shown[1].text.starts_with("setCell failed\r\n")) << boxes_.shown[1].text;
  EXPECT_EQ(cells(), (Cells{{{1, 1}, "ID"},
                            {{1, 2}, "Note"},
                            {{2, 1}, "1"},
                            {{2, 2}, "short"},
                            {{3, 1}, "2"},
                            {{3, 2}, "much "},
                            {{4, 1}, "3"},
                            {{4, 2}, "also "},
                            {{5, 2}, "fine"}}));
  EXPECT_EQ(spreadsheet_.applicationsShown, 1);
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0}));

  // Each export reports its own first cut cell.
  boxes_.shown.clear();
  spreadsheet_.failAt("setCell", 0);
  command.run();
  EXPECT_EQ(reportedLines(), (std::vector<int>{130}));
}

TEST_F(XlsCommandTest, CalcGetsAWorkbookThatAnotherReaderReadsBackCellForCell) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path());
  exporting::CalcSpreadsheet calc(exporting::CalcSettings{office.program(), dir.path()});
  test::TableGrid grid(
      test::TableData{{"ID", "Name", "Code", "Price", "Amount", "Born", "Stamp", "Paid"},
                      {{"1", "Ada", "05021", "3.50", "1234.50", "1974-09-21", "2024-03-01 14:05:09", "Yes"},
                       {"2", std::nullopt, "123", "-0.25", "-0.1234", "1899-12-30", "2024-03-01 14:05:09.123", "No"},
                       {"3", "two\nlines, \"quoted\"", "=1+1", "12345678901234567", "1234567.00", "2023-02-29",
                        "2024-03-01 14:05:09.1234567", "maybe"},
                       {"4", "Ωμέγα 日本", "1e+20", "1e+20", "", "2024-03-01 14:05:09.1230000", "NaN", "Yes"}},
                      {ColumnKind::Number, ColumnKind::Text, ColumnKind::Text, ColumnKind::Number, ColumnKind::Currency,
                       ColumnKind::DateTime, ColumnKind::DateTime, ColumnKind::YesNo}});
  XlsCommand command(grid, calc, pointer_, progress_, messages_, errors_);
  command.run();
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown[0].text;
  ASSERT_TRUE(office.waitForCopy());
  auto cells = test::readWorkbook(office.copy());
  auto kinds = test::readWorkbookCellKinds(office.copy());
  if (!cells || !kinds) GTEST_SKIP() << "Gnumeric's ssconvert is not installed: the workbook is not read back";
  // Every cell shows what the grid shows, amounts of money with thousands
  // separators and booleans as the sheet names them; no formulas.
  EXPECT_EQ(*cells, (std::vector<std::vector<std::string>>{
                        {"ID", "Name", "Code", "Price", "Amount", "Born", "Stamp", "Paid"},
                        {"1", "Ada", "05021", "3.50", "1,234.50", "1974-09-21", "2024-03-01 14:05:09", "TRUE"},
                        {"2", "", "123", "-0.25", "-0.1234", "1899-12-30", "2024-03-01 14:05:09.123", "FALSE"},
                        {"3", "two\nlines, \"quoted\"", "=1+1", "12345678901234567", "1,234,567.00", "2023-02-29",
                         "2024-03-01 14:05:09.1234567", "maybe"},
                        {"4", "Ωμέγα 日本", "1e+20", "1E+20", "", "2024-03-01 14:05:09.123", "NaN", "TRUE"}}));
  // Number and money columns hold numbers, date columns dates and Yes/No
  // columns booleans; a Text column holds text whatever it looks like, and
  // so does every text a column's kind cannot hold: more digits than a
  // number keeps, dates the sheet cannot count or finer than it shows.
  EXPECT_EQ(*kinds, (std::vector<std::vector<std::string>>{
                        {"text", "text", "text", "text", "text", "text", "text", "text"},
                        {"number", "text", "text", "number", "number", "date", "date", "boolean"},
                        {"number", "", "text", "number", "number", "text", "date", "boolean"},
                        {"number", "text", "text", "text", "number", "text", "text", "text"},
                        {"number", "text", "text", "number", "", "date", "text", "boolean"}}));
}

// Over Calc's workbook: two texts too long for a cell give one report, and
// both reach the sheet cut to the limit; a Calc that cannot start is
// reported when the workbook is shown.
TEST_F(XlsCommandTest, CalcCutsLongCellsWithOneReportAndACalcThatFailsIsReportedAtTheShowingStep) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path(), {1, "Failed to open display\n", 0});
  exporting::CalcSpreadsheet calc(exporting::CalcSettings{office.program(), dir.path()});
  const std::string longText = std::string(40'000, 'a');
  test::TableGrid grid(test::TableData{{"ID", "Note"}, {{"1", longText}, {"2", "short"}, {"3", longText + "b"}}});
  XlsCommand command(grid, calc, pointer_, progress_, messages_, errors_);
  command.run();
  EXPECT_EQ(reportedLines(), (std::vector<int>{130, 142}));
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_TRUE(boxes_.shown[0].text.starts_with(
      "The text for cell B2 (Note of row 1) is longer than a cell of the sheet holds: it and every later cell too long "
      "for the sheet are cut to 32767 characters.\r\n"))
      << boxes_.shown[0].text;
  EXPECT_TRUE(boxes_.shown[1].text.starts_with("LibreOffice Calc could not open the workbook: " + office.program() +
                                               " ended with exit status 1 and said:\nFailed to open display\r\n"))
      << boxes_.shown[1].text;
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0}));
  ASSERT_TRUE(office.waitForCopy());
  auto cells = test::readWorkbook(office.copy());
  if (!cells) GTEST_SKIP() << "Gnumeric's ssconvert is not installed: the workbook is not read back";
  EXPECT_EQ(*cells,
            (std::vector<std::vector<std::string>>{
                {"ID", "Note"}, {"1", std::string(32'767, 'a')}, {"2", "short"}, {"3", std::string(32'767, 'a')}}));
}

}  // namespace
}  // namespace ledgerfen
