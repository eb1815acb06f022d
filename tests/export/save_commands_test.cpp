// The editor's TXT, CSV and XML commands: the Save dialog they show, the
// file they write, the pointer, and the error report when the write fails.
#include "ledgerfen/export/save_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "command_fakes.h"
#include "ledgerfen/export/export_progress.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "table_grid.h"
#include "unprivileged.h"

namespace ledgerfen {
namespace {

namespace fs = std::filesystem;
using exporting::SaveCommands;

class SaveCommandsTest : public ::testing::Test {
 protected:
  SaveCommandsTest() : messages_(boxes_), errors_(messages_) {
    setenv("LC_ALL", "C.UTF-8", 1);
    messages_.setApplicationTitle("Ledgerfen");
  }

  test::TableGrid grid_{test::TableData{{"ID", "Name"}, {{"1", "Ada"}, {"2", std::nullopt}}}};
  test::FakeSaveDialogs dialogs_;
  test::FakePointer pointer_;
  test::RecordedProgress progress_;
  test::RecordedMessageBoxes boxes_;
  shell::MessageService messages_;
  shell::ErrorReporter errors_;
  SaveCommands commands_{grid_, dialogs_, pointer_, progress_, errors_};
  test::TempDir dir_;
};

TEST_F(SaveCommandsTest, EachCommandAsksWithItsFilterAndWritesItsFormat) {
  const std::string csv = dir_.path() + "/table.csv", txt = dir_.path() + "/table.txt",
                    xml = dir_.path() + "/table.xml";
  dialogs_.answers = {csv, txt, xml};
  commands_.exportCsv();
  commands_.exportTxt();
  commands_.exportXml();

  ASSERT_EQ(dialogs_.requests.size(), 3u);
  EXPECT_EQ(dialogs_.requests[0].title, "Save");
  EXPECT_EQ(dialogs_.requests[0].filter, "CSV Files (*.csv)|*.csv");
  EXPECT_EQ(dialogs_.requests[1].filter, "Text Files (*.txt)|*.txt");
  EXPECT_EQ(dialogs_.requests[2].filter, "XML Files (*.xml)|*.xml");
  EXPECT_EQ(test::readFileText(csv), "\"ID\",\"Name\"\r\n\"1\",\"Ada\"\r\n\"2\",\"\"\r\n\r\n");
  EXPECT_EQ(test::readFileText(txt), "ID\tName\t\r\n1\tAda\t\r\n2\t\t\r\n\r\n");
  EXPECT_EQ(test::readFileText(xml),
            "<xml>\r\n<row>\r\n<ID>1</ID>\r\n<Name>Ada</Name>\r\n</row>\r\n<row>\r\n<ID>2</ID>\r\n<Name></Name>\r\n"
            "</row>\r\n</xml>\r\n");
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0, 11, 0, 11, 0}));
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(grid_.currentRow(), 2);
  EXPECT_EQ(progress_.begun, (std::vector<int64_t>{2, 2, 2}));
  EXPECT_EQ(progress_.ended, 3);
}

// Cancel in the progress stops the writer at the next row: the old file
// stays whole, nothing is left beside it, and nothing is reported.
TEST_F(SaveCommandsTest, CancelInTheProgressKeepsTheOldFileAndReportsNothing) {
  const std::string path = dir_.path() + "/table.xml";
  std::ofstream(path) << "old";
  progress_.cancelAfter = 1;
  dialogs_.answers = {path};
  commands_.exportXml();
  EXPECT_EQ(test::readFileText(path), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(progress_.lastDone, 1);
  EXPECT_EQ(progress_.ended, 1);
  EXPECT_EQ(pointer_.mousePointer(), 0);
}

TEST_F(SaveCommandsTest, CancellingWritesNothingShowsNothingAndLeavesThePointer) {
  commands_.exportCsv();
  EXPECT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_TRUE(fs::is_empty(dir_.path()));
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(pointer_.settings.empty());
  EXPECT_EQ(grid_.goToRowCalls, 0);
}

TEST_F(SaveCommandsTest, TheNextCommandProposesTheLastConfirmedPathAsItIs) {
  const std::string report = dir_.path() + "/report";
  dialogs_.answers = {report, "", report};
  commands_.exportCsv();  // typed without an extension
  EXPECT_TRUE(fs::exists(report));
  EXPECT_FALSE(fs::exists(report + ".csv"));

  commands_.exportXml();  // cancelled: the proposal stays
  commands_.exportTxt();
  ASSERT_EQ(dialogs_.requests.size(), 3u);
  EXPECT_EQ(dialogs_.requests[0].fileName, "");
  EXPECT_EQ(dialogs_.requests[1].fileName, report);
  EXPECT_EQ(dialogs_.requests[2].fileName, report);
  EXPECT_EQ(dialogs_.requests[2].filter, "Text Files (*.txt)|*.txt");
  EXPECT_EQ(test::readFileText(report), "ID\tName\t\r\n1\tAda\t\r\n2\t\t\r\n\r\n");
}

TEST_F(SaveCommandsTest, AFailedWriteIsReportedAtStep100AndThePointerComesBack) {
  const std::string nowhere = dir_.path() + "/missing/table";
  dialogs_.answers = {nowhere + ".csv", nowhere + ".txt", nowhere + ".xml"};
  commands_.exportCsv();
  commands_.exportTxt();
  commands_.exportXml();
  const auto report = [&](const std::string& handler, const std::string& extension) {
    return "Cannot write " + nowhere + extension + ": No such file or directory\r\nin Ledgerfen2020/08/02.Form3." +
           handler + " at line 100\r\rPlease email screenshot of this message to support@ledgerfen.com";
  };
  EXPECT_EQ(boxes_.texts(), (std::vector<std::string>{report("mnuCSV_Click", ".csv"), report("mnuTXT_Click", ".txt"),
                                                      report("mnuXML_Click", ".xml")}));
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown[0].title, "Application Error");
  EXPECT_EQ(boxes_.shown[0].icon, shell::MessageIcon::Warning);
  EXPECT_EQ(pointer_.settings, (std::vector<int>{11, 0, 11, 0, 11, 0}));
}

TEST_F(SaveCommandsTest, AGridThatCannotBeReadIsReportedAndTheTargetStaysAsItWas) {
  const std::string path = dir_.path() + "/table.csv";
  std::ofstream(path) << "old";
  grid_.failGoingToRow = 2;
  dialogs_.answers = {path};
  commands_.exportCsv();
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_TRUE(boxes_.shown[0].text.starts_with(
      "The grid cannot go to row 2.\r\nin Ledgerfen2020/08/02.Form3.mnuCSV_Click at line 100"));
  EXPECT_EQ(test::readFileText(path), "old");
  EXPECT_EQ(pointer_.mousePointer(), 0);
}

TEST_F(SaveCommandsTest, ATargetInAReadOnlyFolderKeepsItsOldContents) {
  chmod(dir_.path().c_str(), 0755);
  const std::string folder = dir_.path() + "/read-only";
  fs::create_directory(folder);
  const std::string path = folder + "/table.csv";
  std::ofstream(path) << std::string(3000, 'o');
  test::giveToBodyUser(folder);
  test::giveToBodyUser(path);
  chmod(folder.c_str(), 0555);
  const std::string outcome = test::runUnprivileged([&]() -> std::string {
    dialogs_.answers = {path};
    commands_.exportCsv();
    const std::vector<std::string> expected = {"Cannot write " + path +
                                               ": Permission denied\r\nin Ledgerfen2020/08/02.Form3.mnuCSV_Click at "
                                               "line 100\r\rPlease email screenshot of this message to "
                                               "support@ledgerfen.com"};
    if (boxes_.texts() != expected) return boxes_.texts().empty() ? "no report" : "report: " + boxes_.texts()[0];
    if (pointer_.mousePointer() != 0) return "the pointer stays busy";
    return "";
  });
  EXPECT_EQ(outcome, "");
  EXPECT_EQ(test::readFileText(path), std::string(3000, 'o'));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  chmod(folder.c_str(), 0755);
}

}  // namespace
}  // namespace ledgerfen
