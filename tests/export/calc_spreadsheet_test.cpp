// The LibreOffice Calc spreadsheet: its private workbook files, how they
// reach the office program and go away, and the limits of a sheet. The
// office program here is a stand-in script that keeps a copy of what it is
// given.
#include "ledgerfen/export/calc_spreadsheet.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ledgerfen/export/process_launcher.h"
#include "office_stand_in.h"
#include "scoped_env.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

// glibc keeps, for the life of the process, the paths of locales it loaded
// from LOCPATH, as the currency test does; the leak checker must not count
// them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:argz_add_sep\n";
}

namespace ledgerfen {
namespace {

namespace fs = std::filesystem;
using exporting::CalcSettings;
constexpr auto kText = exporting::ColumnKind::Text;
using exporting::CalcSpreadsheet;

std::vector<std::string> workbookFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("ledgerfen-export-") && name.ends_with(".xlsx")) files.push_back(entry.path().string());
  }
  return files;
}

// The private folders that hold what the office program says while it opens
// a workbook.
std::vector<std::string> sideFolders(const std::string& folder) {
  std::vector<std::string> folders;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("ledgerfen-calc-")) folders.push_back(entry.path().string());
  }
  return folders;
}

bool waitUntilNoSideFolder(const std::string& folder) {
  for (int k = 0; k < 1000 && !sideFolders(folder).empty(); ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return sideFolders(folder).empty();
}

// Builds a one-cell workbook and shows it; the workbook file and how long
// showing took.
struct Shown {
  Status status;
  std::string file;
  std::chrono::milliseconds took;
};
Shown showOneCell(const CalcSettings& settings) {
  CalcSpreadsheet calc(settings);
  auto application = calc.createApplication();
  if (!application.ok()) return {application.error(), "", {}};
  auto workbook = (*application)->addWorkbook();
  if (!workbook.ok()) return {workbook.error(), "", {}};
  const auto files = workbookFiles(settings.folder);
  if (files.size() != 1) return {Error(ErrorKind::Io, "not one workbook file"), "", {}};
  if (Status set = (*workbook)->setCell(1, 1, "x", kText); !set.ok()) return {set, files[0], {}};
  const auto start = std::chrono::steady_clock::now();
  Status status = (*application)->show();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  return {status, files[0], took};
}

TEST(CalcSpreadsheet, BuildsAPrivateWorkbookAndHandsItToCalcAsANewDocument) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path());
  CalcSpreadsheet calc(CalcSettings{office.program(), dir.path()});
  auto application = calc.createApplication();
  ASSERT_TRUE(application.ok()) << application.error().message();
  auto workbook = (*application)->addWorkbook();
  ASSERT_TRUE(workbook.ok());

  const auto files = workbookFiles(dir.path());
  ASSERT_EQ(files.size(), 1u);
  struct stat s {};
  ASSERT_EQ(stat(files[0].c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 0777, 0600u);

  ASSERT_TRUE((*workbook)->setCell(1, 1, "Name", kText).ok());
  ASSERT_TRUE((*workbook)->setCell(2, 1, "a much longer text\nshort", kText).ok());
  ASSERT_TRUE((*workbook)->setCell(2, 2, "", kText).ok());
  ASSERT_TRUE((*workbook)->setCell(3, 1, "_x0041_ and _x12_", kText).ok());
  ASSERT_TRUE((*workbook)->autoFitColumns().ok());
  ASSERT_TRUE((*application)->show().ok());

  ASSERT_TRUE(office.waitForCopy());
  EXPECT_EQ(office.arguments(), (std::vector<std::string>{"--calc", "-n", files[0]}));
  EXPECT_TRUE(office.waitUntilGone(files[0])) << "the workbook file stays after the office program has ended";
  EXPECT_TRUE(waitUntilNoSideFolder(dir.path()));
  // Column A fits its longest line (18 characters); column B holds nothing.
  const std::string sheet = office.sheetXml();
  EXPECT_NE(sheet.find("<col min=\"1\" max=\"1\" width=\"24.28515625\""), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find("max=\"2\""), std::string::npos) << sheet;
  // A text that looks like a spreadsheet's character escape stays that text.
  EXPECT_NE(sheet.find("<t>_x005F_x0041_ and _x12_</t>"), std::string::npos) << sheet;
}

// An office program that ends at once with a failure (no display, a broken
// installation) is reported with its exit status and the first lines of
// what it said, without waiting out the start wait; its workbook and side
// folder still go.
TEST(CalcSpreadsheet, AnOfficeProgramThatFailsAtOnceIsReportedWithWhatItSaid) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path(),
                             {3, "Failed to open display\n  \nsecond line\t\n3\n4\n5\n6 is one too many\n7\n", 0});
  const Shown shown = showOneCell(CalcSettings{office.program(), dir.path(), std::chrono::seconds(10)});
  ASSERT_FALSE(shown.status.ok());
  EXPECT_EQ(shown.status.error().message(), "LibreOffice Calc could not open the workbook: " + office.program() +
                                                " ended with exit status 3 and said:\n"
                                                "Failed to open display\nsecond line\n3\n4\n5");
  EXPECT_LT(shown.took, std::chrono::seconds(8));
  EXPECT_TRUE(office.waitUntilGone(shown.file));
  EXPECT_TRUE(waitUntilNoSideFolder(dir.path()));

  // Silent failures say their status alone.
  test::TempDir silentDir;
  test::OfficeStandIn silent(silentDir.path(), {1, "", 0});
  const Shown quiet = showOneCell(CalcSettings{silent.program(), silentDir.path(), std::chrono::seconds(10)});
  ASSERT_FALSE(quiet.status.ok());
  EXPECT_EQ(quiet.status.error().message(),
            "LibreOffice Calc could not open the workbook: " + silent.program() + " ended with exit status 1.");
}

// An office program still running after the start wait has started Calc,
// which shows the workbook: that is success, and the file stays until the
// office program ends.
TEST(CalcSpreadsheet, AnOfficeProgramStillRunningAfterTheWaitHasOpenedTheWorkbook) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path(), {0, "", 1.5});
  const Shown shown = showOneCell(CalcSettings{office.program(), dir.path(), std::chrono::milliseconds(200)});
  ASSERT_TRUE(shown.status.ok()) << shown.status.error().message();
  ASSERT_FALSE(office.ended()) << "showing waited for the office program to end";
  EXPECT_TRUE(fs::exists(shown.file));
  EXPECT_TRUE(office.waitUntilGone(shown.file));
  EXPECT_TRUE(office.ended());
  EXPECT_TRUE(waitUntilNoSideFolder(dir.path()));
}

// Amounts of money are numbers with thousands separators, at least two
// decimals and the currency symbol of the user's locale, before or after
// the amount as that locale places it; the C locale has none.
TEST(CalcSpreadsheet, MoneyShowsTheCurrencySymbolOfTheUserLocale) {
  test::TempDir locales;
  for (const char* name : {"de_DE", "en_US"}) {
    const std::string command =
        "localedef -i " + std::string(name) + " -f UTF-8 '" + locales.path() + "/" + name + ".UTF-8' 2>/dev/null";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "needs localedef and the locale sources (package locales)";
  }
  const std::vector<std::string> amounts = {"1234.50", "-0.5", "1234567.1234"};
  const auto shownIn = [&](const std::optional<std::string>& locale) -> std::optional<std::vector<std::string>> {
    test::TempDir dir;
    test::OfficeStandIn office(dir.path());
    {
      test::ScopedEnv localePath("LOCPATH", locales.path());
      test::ScopedEnv localeName("LC_ALL", locale);
      test::ScopedEnv language("LANG", std::nullopt);
      test::ScopedEnv money("LC_MONETARY", std::nullopt);
      CalcSpreadsheet calc(CalcSettings{office.program(), dir.path()});
      auto application = calc.createApplication();
      EXPECT_TRUE(application.ok());
      if (!application.ok()) return std::nullopt;
      auto workbook = (*application)->addWorkbook();
      EXPECT_TRUE(workbook.ok());
      if (!workbook.ok()) return std::nullopt;
      for (size_t k = 0; k < amounts.size(); ++k) {
        EXPECT_TRUE((*workbook)->setCell(int32_t(k + 1), 1, amounts[k], exporting::ColumnKind::Currency).ok());
      }
      EXPECT_TRUE((*application)->show().ok());
    }
    EXPECT_TRUE(office.waitForCopy());
    auto cells = test::readWorkbook(office.copy());
    if (!cells) return std::nullopt;
    std::vector<std::string> shown;
    for (const auto& row : *cells) shown.push_back(row.empty() ? "" : row[0]);
    return shown;
  };
  const auto german = shownIn("de_DE.UTF-8");
  if (!german) GTEST_SKIP() << "Gnumeric's ssconvert is not installed: the workbook is not read back";
  // Gnumeric shows the separators of its own C locale.
  EXPECT_EQ(*german, (std::vector<std::string>{"1,234.50 €", "-0.50 €", "1,234,567.1234 €"}));
  EXPECT_EQ(shownIn("en_US.UTF-8"), (std::vector<std::string>{"$1,234.50", "-$0.50", "$1,234,567.1234"}));
  EXPECT_EQ(shownIn("C.UTF-8"), (std::vector<std::string>{"1,234.50", "-0.50", "1,234,567.1234"}));
}

TEST(CalcSpreadsheet, AWorkbookNeverShownLeavesNoFile) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path());
  CalcSpreadsheet calc(CalcSettings{office.program(), dir.path()});
  {
    auto application = calc.createApplication();
    ASSERT_TRUE(application.ok());
    auto workbook = (*application)->addWorkbook();
    ASSERT_TRUE(workbook.ok());
    ASSERT_TRUE((*workbook)->setCell(1, 1, "x", kText).ok());
    EXPECT_EQ(workbookFiles(dir.path()).size(), 1u);
  }
  EXPECT_TRUE(workbookFiles(dir.path()).empty());
  EXPECT_FALSE(office.waitForCopy(std::chrono::milliseconds(100)));
}

// Characters as a spreadsheet counts them: UTF-16 code units.
size_t utf16Units(const std::string& text) {
  size_t units = 0;
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

// Cells outside a sheet are refused. A text longer than a cell holds
// (32767 characters, counted as the spreadsheet counts them) is set cut at
// a character's end, never inside a UTF-8 sequence or a surrogate pair, and
// said so; the workbook takes further cells.
TEST(CalcSpreadsheet, CellsOutsideASheetAreRefusedAndTooLongTextsAreCut) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path());
  CalcSpreadsheet calc(CalcSettings{office.program(), dir.path()});
  auto application = calc.createApplication();
  ASSERT_TRUE(application.ok());
  auto workbook = (*application)->addWorkbook();
  ASSERT_TRUE(workbook.ok());
  EXPECT_EQ((*workbook)->lastRow(), 1'048'576);
  EXPECT_EQ((*workbook)->cellTextLimit(), 32'767);
  auto beyond = (*workbook)->setCell(1'048'577, 1, "x", kText);
  ASSERT_FALSE(beyond.ok());
  EXPECT_EQ(beyond.error().message(),
            "The cell at row 1048577, column 1 lies outside a sheet (1048576 rows, 16384 columns).");
  EXPECT_FALSE((*workbook)->setCell(1, 0, "x", kText).ok());

  std::string accents, emoji;
  for (int k = 0; k < 32767; ++k) accents += "é";  // two bytes each
  for (int k = 0; k < 16384; ++k) emoji += "😀";    // two units each
  EXPECT_TRUE((*workbook)->setCell(1, 1, std::string(32767, 'x'), kText).ok());
  EXPECT_TRUE((*workbook)->setCell(1, 2, accents, kText).ok());
  auto tooLong = (*workbook)->setCell(2, 1, emoji, kText);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().kind(), ErrorKind::Constraint);
  EXPECT_EQ(tooLong.error().message(),
            "The text for the cell at row 2, column 1 has 32768 characters; a cell holds 32767 at most, so it is cut "
            "to that.");
  // Also in a number column: such a text is no number.
  auto cutInAccents = (*workbook)->setCell(2, 2, "1" + accents, exporting::ColumnKind::Number);
  EXPECT_EQ(cutInAccents.error().kind(), ErrorKind::Constraint);
  EXPECT_TRUE((*workbook)->setCell(3, 1, "next", kText).ok());
  ASSERT_TRUE((*workbook)->autoFitColumns().ok());
  ASSERT_TRUE((*application)->show().ok());

  ASSERT_TRUE(office.waitForCopy());
  auto cells = test::readWorkbook(office.copy());
  if (!cells) GTEST_SKIP() << "Gnumeric's ssconvert is not installed: the workbook is not read back";
  ASSERT_EQ(cells->size(), 3u);
  EXPECT_EQ((*cells)[0][0], std::string(32767, 'x'));
  EXPECT_EQ((*cells)[0][1], accents);
  EXPECT_EQ((*cells)[1][0], emoji.substr(0, emoji.size() - 4));  // 32766 units: the last pair goes whole
  EXPECT_EQ(utf16Units((*cells)[1][0]), 32766u);
  EXPECT_EQ((*cells)[1][1], "1" + accents.substr(0, accents.size() - 2));
  EXPECT_EQ((*cells)[2][0], "next");
}

TEST(CalcSpreadsheet, AMissingOfficeProgramFailsTheApplication) {
  test::TempDir dir;
  CalcSpreadsheet calc(CalcSettings{dir.path() + "/no-soffice", dir.path()});
  EXPECT_FALSE(calc.createApplication().ok());
  CalcSpreadsheet notOnPath(CalcSettings{"ledgerfen-no-such-office-program", dir.path()});
  EXPECT_FALSE(notOnPath.createApplication().ok());
}

TEST(CalcSpreadsheet, TheOfficeProgramIsLookedUpInThePath) {
  test::TempDir dir;
  for (const char* folder : {"/a", "/b"}) fs::create_directory(dir.path() + folder);
  std::ofstream(dir.path() + "/a/office") << "not runnable";
  std::ofstream(dir.path() + "/b/office") << "#!/bin/sh\n";
  chmod((dir.path() + "/b/office").c_str(), 0755);
  const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (dir.path() + "/a:" + dir.path() + "/b").c_str(), 1);
  EXPECT_EQ(exporting::findProgram("office").value_or(""), dir.path() + "/b/office");
  EXPECT_FALSE(exporting::findProgram("soffice").has_value());
  setenv("PATH", oldPath.c_str(), 1);
  EXPECT_EQ(exporting::findProgram(dir.path() + "/b/office").value_or(""), dir.path() + "/b/office");
  EXPECT_FALSE(exporting::findProgram(dir.path() + "/a/office").has_value());
}

TEST(CalcSpreadsheet, LeftoversOfEarlierRunsGoAtTheNextStart) {
  test::TempDir dir;
  const auto make = [&](const std::string& name, int ageSeconds) {
    const std::string path = dir.path() + "/" + name;
    std::ofstream(path) << "x";
    const timeval times[2] = {{time(nullptr) - ageSeconds, 0}, {time(nullptr) - ageSeconds, 0}};
    utimes(path.c_str(), times);
    return path;
  };
  // Side folders of a killed export, with what the office program said.
  const auto makeFolder = [&](const std::string& name, int ageSeconds) {
    const std::string path = dir.path() + "/" + name;
    fs::create_directory(path);
    std::ofstream(path + "/errors") << "x";
    std::ofstream(path + "/read");
    const timeval times[2] = {{time(nullptr) - ageSeconds, 0}, {time(nullptr) - ageSeconds, 0}};
    utimes(path.c_str(), times);
    return path;
  };
  const std::string old = make("ledgerfen-export-abc123.xlsx", 3600);
  const std::string fresh = make("ledgerfen-export-def456.xlsx", 0);
  const std::string other = make("report.xlsx", 3600);
  const std::string oldSide = makeFolder("ledgerfen-calc-abc123", 3600);
  const std::string freshSide = makeFolder("ledgerfen-calc-def456", 0);
  const std::string otherFolder = makeFolder("reports", 3600);
  exporting::removeLeftoverWorkbooks(dir.path());
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(fresh));  // perhaps still on its way to Calc
  EXPECT_TRUE(fs::exists(other));
  EXPECT_FALSE(fs::exists(oldSide));
  EXPECT_TRUE(fs::exists(freshSide + "/errors"));
  EXPECT_TRUE(fs::exists(otherFolder + "/errors"));
}

}  // namespace
}  // namespace ledgerfen
