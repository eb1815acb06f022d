// The "PDF" export over fake printers, processes and files: the order of its
// steps, what it prints on, and that the user's default printer and the
// temporary folder are as before afterwards, whatever fails on the way.
#include "ledgerfen/pdf/pdf_export.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ledgerfen/shell/error_report.h"
#include "printing_fakes.h"

namespace ledgerfen::pdf::fakes {
namespace {

const std::string kProgramFolder = "/opt/ledger fen";
const std::string kPrintProgram = kProgramFolder + "/ledgerfen-print";
const std::string kFolder = "/tmp/user/ledgerfen-pdf-1";
const std::string kFile = kFolder + "/tmp.txt";
const std::string kTableText = "A\tB\r\nabc\tdef\r\n";
const std::string kTableName = "Orders \"2024\"";

class NoFiles final : public data::PathProbe {
 public:
  bool exists(const std::string&) const override { return false; }
};

class NoProgramControl final : public shell::ProgramControl {
 public:
  void endProgram() override {}
  bool ended() const override { return false; }
};

std::string report(const std::string& description, int line) {
  return shell::errorReportText(description, shell::handlerLocation("Form3", "mnuPDF_Click"), line);
}

class PdfExportTest : public ::testing::Test {
 protected:
  PdfExportTest() {
    messages.setApplicationTitle("Ledgerfen");
    printers.addQueue("Office_Laser", "Office Laser");
    printers.addQueue("Mirrowick_PDF_Writer", "Mirrowick PDF Writer");
    printers.defaultName = "Office_Laser";
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& request : boxes.shown) out.push_back(request.text);
    return out;
  }

  CallLog log;
  RecordingMessageBoxes boxes;
  shell::MessageService messages{boxes};
  shell::ErrorReporter errors{messages};
  NoFiles paths;
  NoProgramControl control;
  shell::WindowServices window{messages, errors, paths, control, kProgramFolder};
  FakePrintingSystem printers{log};
  FakeTemporaryFiles files{log};
  FakeProcessLauncher processes{log, printers, files};
  CountingPendingEvents events{log};

  std::string writerFailure;     // non-empty: the writer fails with this text
  bool writerLeavesFile = true;  // whether a failing writer leaves a file
  GridTextWriter writer = [this](const std::string& path) -> Status {
    log.push_back("write " + path);
    if (writerFailure.empty() || writerLeavesFile) files.files[path] = kTableText;
    if (!writerFailure.empty()) return Error(ErrorKind::Io, writerFailure);
    return okStatus();
  };
  PdfExport exporter{window, {printers, processes, files, events}, writer, [] { return kTableName; }};
};

std::vector<std::string> printCommand(const std::string& file, const std::string& title = kTableName) {
  return {kPrintProgram, "-d", "Mirrowick_PDF_Writer", "-t", title, "/p", file};
}

TEST_F(PdfExportTest, PrintsOnThePdfPrinterThenRemovesTheFileAndPutsTheDefaultBack) {
  exporter.run();

  EXPECT_EQ(log, (CallLog{"make folder " + kFolder, "write " + kFile, "read user default", "list printers",
                          "set default Mirrowick_PDF_Writer", "run", "events", "delete " + kFile,
                          "remove folder " + kFolder, "set default Office_Laser"}));
  ASSERT_EQ(processes.commands.size(), 1u);
  // The PDF printer by its queue's name, whatever the default; the job
  // named after the table; paths and name whole, blanks and quotes and all.
  EXPECT_EQ(processes.commands[0], printCommand(kFile));
  EXPECT_EQ(processes.defaultWhileRunning[0], "Mirrowick_PDF_Writer");
  EXPECT_EQ(processes.fileWhileRunning[0], kTableText);
  EXPECT_EQ(printers.defaultName, "Office_Laser");
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(files.folders.empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PdfExportTest, EveryExportWritesToAFolderOfItsOwn) {
  exporter.run();
  exporter.run();
  ASSERT_EQ(processes.commands.size(), 2u);
  EXPECT_EQ(processes.commands[0].back(), "/tmp/user/ledgerfen-pdf-1/tmp.txt");
  EXPECT_EQ(processes.commands[1].back(), "/tmp/user/ledgerfen-pdf-2/tmp.txt");
  EXPECT_TRUE(files.folders.empty());
}

TEST_F(PdfExportTest, APdfPrinterThatIsAlreadyTheDefaultStaysTheDefault) {
  printers.defaultName = "Mirrowick_PDF_Writer";
  exporter.run();
  EXPECT_EQ(processes.defaultWhileRunning, (std::vector<std::string>{"Mirrowick_PDF_Writer"}));
  EXPECT_EQ(printers.defaultName, "Mirrowick_PDF_Writer");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PdfExportTest, APrintProgramThatCannotStartIsReportedAndTheDefaultStillComesBack) {
  processes.startFailure = "Cannot start " + kPrintProgram + ": No such file or directory";
  exporter.run();

  EXPECT_EQ(texts(), (std::vector<std::string>{report(processes.startFailure, 112)}));
  EXPECT_EQ(boxes.shown[0].title, "Application Error");
  EXPECT_EQ(printers.defaultName, "Office_Laser");
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(files.folders.empty());
}

TEST_F(PdfExportTest, APrintProgramThatFailsIsReportedWithItsOwnMessage) {
  processes.end = exporting::ProcessEnd{1, "ledgerfen-print: Mirrowick_PDF_Writer: Printer not accepting jobs.\n"};
  exporter.run();
  processes.end = exporting::ProcessEnd{3, ""};
  exporter.run();
  EXPECT_EQ(texts(),
            (std::vector<std::string>{report("ledgerfen-print: Mirrowick_PDF_Writer: Printer not accepting jobs.", 112),
                                      report("The print program ended with exit code 3.", 112)}));
  EXPECT_EQ(printers.defaultName, "Office_Laser");
}

TEST_F(PdfExportTest, WithoutThePdfPrinterOrWhenCupsRefusesTheSwitchNothingIsPrintedOrShown) {
  printers.queues.pop_back();
  exporter.run();
  printers.addQueue("Mirrowick_PDF_Writer", "Mirrowick PDF Writer");
  printers.refuseSet = true;
  exporter.run();
  EXPECT_EQ(std::count(log.begin(), log.end(), "set default Office_Laser"), 0);
  EXPECT_TRUE(processes.commands.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(printers.defaultName, "Office_Laser");
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(files.folders.empty());
}

// The default could not be put back, so the export does not switch at all.
TEST_F(PdfExportTest, AnUnreadableDefaultLeavesThePrintersAloneAndSaysSo) {
  printers.unreadableOptions = true;
  exporter.run();
  EXPECT_EQ(texts(), (std::vector<std::string>{"Error No: 13\r\nCannot read /home/user/.cups/lpoptions: "
                                               "Permission denied\r\n"
                                               "Has occured in modPrinters.GetDefaultPrinter\r\n"
                                               "Please contact Technical Support",
                                               report(std::string(kPreviousPrinterUnknown), 106)}));
  EXPECT_EQ(boxes.shown[0].title, "Ledgerfen");
  EXPECT_EQ(boxes.shown[0].icon, shell::MessageIcon::None);
  for (const std::string& call : log) EXPECT_EQ(call.rfind("set default", 0), std::string::npos) << call;
  EXPECT_TRUE(processes.commands.empty());
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(files.folders.empty());
}

// No default of the user's own, or no default printer at all: the export
// prints, and afterwards the user has no default of their own again, so the
// system's applies as before; it is never written into the user's options.
TEST_F(PdfExportTest, WithoutADefaultOfTheirOwnTheUserHasNoneOfTheirOwnAfterwards) {
  printers.defaultName.clear();
  printers.systemDefault = "Office_Laser";
  exporter.run();
  printers.systemDefault.clear();
  exporter.run();

  EXPECT_EQ(processes.commands.size(), 2u);
  EXPECT_EQ(processes.defaultWhileRunning, (std::vector<std::string>{"Mirrowick_PDF_Writer", "Mirrowick_PDF_Writer"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "remove default"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "set default Office_Laser"), 0);
  EXPECT_EQ(printers.defaultName, "");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PdfExportTest, AUsersDefaultThatNoLongerExistsIsPutBackAsItWas) {
  printers.defaultName = "Sold_Printer/draft";
  exporter.run();
  EXPECT_EQ(processes.commands.size(), 1u);
  EXPECT_EQ(printers.defaultName, "Sold_Printer/draft");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PdfExportTest, ADefaultThatCannotBePutBackIsReportedWithWhatToDo) {
  printers.setsBeforeRefusal = 1;
  exporter.run();
  printers.defaultName.clear();
  printers.setsBeforeRefusal = 1;
  exporter.run();
  EXPECT_EQ(processes.commands.size(), 2u);
  EXPECT_EQ(texts(), (std::vector<std::string>{
                         report("Your default printer could not be made Office_Laser again: Cannot write "
                                "/home/user/.cups/lpoptions: Read-only file system. Make it your default again with: "
                                "lpoptions -d Office_Laser",
                                116),
                         report("The PDF printer could not be taken away as your default printer: Cannot write "
                                "/home/user/.cups/lpoptions: Read-only file system. Remove the line that starts with "
                                "\"Default\" from ~/.cups/lpoptions to have the system's default printer again.",
                                116)}));
}

TEST_F(PdfExportTest, WithoutTheTablesNameTheJobIsStillNamed) {
  PdfExport unnamed(window, {printers, processes, files, events}, writer);
  unnamed.run();
  ASSERT_EQ(processes.commands.size(), 1u);
  EXPECT_EQ(processes.commands[0], printCommand(kFile, "Table"));
}

// CUPS not running: the user's own default is a file of theirs and reads,
// but the printers cannot be listed, and that is said.
TEST_F(PdfExportTest, NoPrinterAtAllPrintsNothingAndDeletesTheFile) {
  printers.queues.clear();
  printers.defaultName.clear();
  printers.running = false;
  exporter.run();
  EXPECT_EQ(texts(), (std::vector<std::string>{report(std::string(kPrintersUnknown) + "Bad file descriptor", 108)}));
  EXPECT_TRUE(processes.commands.empty());
  EXPECT_TRUE(files.files.empty());
}

TEST_F(PdfExportTest, AWriterFailureIsReportedAndAFileItLeftIsStillPrinted) {
  writerFailure = "Cannot write " + kFile + ": Disk full";
  writerLeavesFile = false;
  exporter.run();
  EXPECT_EQ(log, (CallLog{"make folder " + kFolder, "write " + kFile, "remove folder " + kFolder}));

  writerFailure = "Cannot read row 3";
  writerLeavesFile = true;
  exporter.run();
  EXPECT_EQ(texts(), (std::vector<std::string>{report("Cannot write " + kFile + ": Disk full", 102),
                                               report("Cannot read row 3", 102)}));
  EXPECT_EQ(processes.commands.size(), 1u);
  EXPECT_EQ(printers.defaultName, "Office_Laser");
}

TEST_F(PdfExportTest, NoPrivateFolderIsReportedAndNothingIsPrinted) {
  files.cannotMakeFolders = true;
  writerFailure = "Cannot write the file: no such folder";
  writerLeavesFile = false;
  exporter.run();
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, report("Cannot make a private folder in /tmp: No space left on device", 100));
  EXPECT_TRUE(processes.commands.empty());
}

TEST_F(PdfExportTest, RemoveFileRunsPendingEventsFirstAndFallsBackToTheForcedDeletion) {
  files.files["/tmp/a"] = "x";
  files.undeletable.insert("/tmp/a");
  exporter.removeFile("/tmp/a");
  EXPECT_EQ(log, (CallLog{"events", "delete /tmp/a", "force delete /tmp/a"}));
  EXPECT_FALSE(files.fileExists("/tmp/a"));

  // Neither way works: the file stays, and nothing is reported.
  log.clear();
  files.files["/tmp/b"] = "x";
  files.undeletable.insert("/tmp/b");
  files.unforceable.insert("/tmp/b");
  exporter.removeFile("/tmp/b");
  EXPECT_EQ(log, (CallLog{"events", "delete /tmp/b", "force delete /tmp/b"}));
  EXPECT_TRUE(files.fileExists("/tmp/b"));
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace ledgerfen::pdf::fakes
