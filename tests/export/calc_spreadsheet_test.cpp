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
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

namespace fs = std::filesystem;
using exporting::CalcSettings;
using exporting::CalcSpreadsheet;

std::vector<std::string> workbookFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("ledgerfen-export-") && name.ends_with(".xlsx")) files.push_back(entry.path().string());
  }
  return files;
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

  ASSERT_TRUE((*workbook)->setCell(1, 1, "Name").ok());
  ASSERT_TRUE((*workbook)->setCell(2, 1, "a much longer text\nshort").ok());
  ASSERT_TRUE((*workbook)->setCell(2, 2, "").ok());
  ASSERT_TRUE((*workbook)->setCell(3, 1, "_x0041_ and _x12_").ok());
  ASSERT_TRUE((*workbook)->autoFitColumns().ok());
  ASSERT_TRUE((*application)->show().ok());

  ASSERT_TRUE(office.waitForCopy());
  EXPECT_EQ(office.arguments(), (std::vector<std::string>{"--calc", "-n", files[0]}));
  EXPECT_TRUE(office.waitUntilGone(files[0])) << "the workbook file stays after the office program has ended";
  // Column A fits its longest line (18 characters); column B holds nothing.
  const std::string sheet = office.sheetXml();
  EXPECT_NE(sheet.find("<col min=\"1\" max=\"1\" width=\"24.28515625\""), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find("max=\"2\""), std::string::npos) << sheet;
  // A text that looks like a spreadsheet's character escape stays that text.
  EXPECT_NE(sheet.find("<t>_x005F_x0041_ and _x12_</t>"), std::string::npos) << sheet;
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
    ASSERT_TRUE((*workbook)->setCell(1, 1, "x").ok());
    EXPECT_EQ(workbookFiles(dir.path()).size(), 1u);
  }
  EXPECT_TRUE(workbookFiles(dir.path()).empty());
  EXPECT_FALSE(office.waitForCopy(std::chrono::milliseconds(100)));
}

TEST(CalcSpreadsheet, CellsOutsideASheetOrTooLongAreRefused) {
  test::TempDir dir;
  test::OfficeStandIn office(dir.path());
  CalcSpreadsheet calc(CalcSettings{office.program(), dir.path()});
  auto application = calc.createApplication();
  ASSERT_TRUE(application.ok());
  auto workbook = (*application)->addWorkbook();
  ASSERT_TRUE(workbook.ok());
  EXPECT_EQ((*workbook)->lastRow(), 1'048'576);
  auto beyond = (*workbook)->setCell(1'048'577, 1, "x");
  ASSERT_FALSE(beyond.ok());
  EXPECT_EQ(beyond.error().message(),
            "The cell at row 1048577, column 1 lies outside a sheet (1048576 rows, 16384 columns).");
  EXPECT_FALSE((*workbook)->setCell(1, 0, "x").ok());
  // A cell holds 32767 characters, counted as the spreadsheet counts them.
  EXPECT_TRUE((*workbook)->setCell(1, 1, std::string(32767, 'x')).ok());
  std::string accents;
  for (int k = 0; k < 32767; ++k) accents += "é";  // two bytes each
  EXPECT_TRUE((*workbook)->setCell(1, 2, accents).ok());
  std::string emoji;
  for (int k = 0; k < 16384; ++k) emoji += "😀";  // two units each
  auto tooLong = (*workbook)->setCell(2, 1, emoji);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().message(),
            "The text for the cell at row 2, column 1 has 32768 characters; a cell holds 32767 at most.");
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
  const std::string old = make("ledgerfen-export-abc123.xlsx", 3600);
  const std::string fresh = make("ledgerfen-export-def456.xlsx", 0);
  const std::string other = make("report.xlsx", 3600);
  exporting::removeLeftoverWorkbooks(dir.path());
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(fresh));  // perhaps still on its way to Calc
  EXPECT_TRUE(fs::exists(other));
}

}  // namespace
}  // namespace ledgerfen
