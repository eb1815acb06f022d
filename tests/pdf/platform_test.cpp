// The Linux pieces of the PDF export that need no printer: finding the print
// program, CUPS when no scheduler runs, and the print program's own failures.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/pdf/cups_printing_system.h"
#include "ledgerfen/pdf/default_printer.h"
#include "ledgerfen/pdf/pdf_printer_check.h"
#include "ledgerfen/pdf/print_program.h"
#include "printing_fakes.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace ledgerfen::pdf {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::ScopedEnv;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PrintProgramPath, IsThePrintProgramInTheProgramFolder) {
  EXPECT_EQ(printProgramPath("/opt/ledger fen"), "/opt/ledger fen/ledgerfen-print");
}

// libcups reads these variables once, at its first use in a process; no
// other test of this program uses libcups in-process.
TEST(CupsPrintingSystem, WithoutARunningSchedulerThereIsNoPrinterAndNoDefault) {
  test::TempDir tmp;
  fs::create_directory(tmp.path() + "/home");
  ScopedEnv home("HOME", tmp.path() + "/home");
  ScopedEnv root("CUPS_SERVERROOT", tmp.path());
  ScopedEnv server("CUPS_SERVER", tmp.path() + "/no-scheduler.sock");
  ScopedEnv lpdest("LPDEST", std::nullopt);
  ScopedEnv printer("PRINTER", std::nullopt);
  CupsPrintingSystem printers;
  EXPECT_FALSE(printers.destinations().ok());
  PrintingResult<std::optional<std::string>> none = printers.defaultDestination();
  ASSERT_FALSE(none.ok());
  EXPECT_NE(none.failure().number, 0);
  // Where the scheduler was looked for, not the failed socket call's errno.
  EXPECT_EQ(none.failure().description, "no scheduler answers at " + tmp.path() + "/no-scheduler.sock");

  fakes::RecordingMessageBoxes boxes;
  PdfPrinterInstalledCheck check(printers, boxes);
  const Status checked = check.checkInstalled();
  ASSERT_FALSE(checked.ok());
  EXPECT_EQ(checked.error().message().rfind("The printing system (CUPS) cannot be reached (", 0), 0u)
      << checked.error().message();
  EXPECT_TRUE(boxes.shown.empty());
  shell::MessageService messages(boxes);
  EXPECT_FALSE(DefaultPrinter(printers, messages).makeDefault("Mirrowick PDF Writer", false));
  EXPECT_FALSE(fs::exists(tmp.path() + "/home/.cups/lpoptions"));
}

// The user's own default lives in their lpoptions file, which needs no
// scheduler: only its Default line changes, and the file keeps its mode.
TEST(CupsPrintingSystem, TheUsersOwnDefaultChangesInTheirOptionsFileOnly) {
  test::TempDir tmp;
  const std::string home = tmp.path() + "/home";
  fs::create_directory(home);
  ScopedEnv homeVariable("HOME", home);
  CupsPrintingSystem printers;
  const std::string options = home + "/.cups/lpoptions";

  // No file: no default of the user's own. Setting one makes the folder
  // and the file; taking it away again leaves no file.
  EXPECT_EQ(printers.userDefault().value(), std::nullopt);
  PrintingResult<std::monostate> set = printers.setUserDefault(std::string("Mirrowick_PDF_Writer"));
  ASSERT_TRUE(set.ok()) << set.failure().description;
  EXPECT_EQ(readFile(options), "Default Mirrowick_PDF_Writer\n");
  EXPECT_EQ(printers.userDefault().value(), "Mirrowick_PDF_Writer");
  ASSERT_TRUE(printers.setUserDefault(std::nullopt).ok());
  EXPECT_FALSE(fs::exists(options));

  // A file of the user's, reached through a link: its other lines, its mode
  // and the link stay.
  const std::string real = tmp.path() + "/dotfiles-lpoptions";
  std::ofstream(real) << "Dest Office sides=one-sided\nDefault Office/draft\n";
  ::chmod(real.c_str(), 0640);
  fs::create_symlink(real, options);
  ASSERT_TRUE(printers.setUserDefault(std::string("Mirrowick_PDF_Writer")).ok());
  ASSERT_TRUE(printers.setUserDefault(std::string("Office/draft")).ok());
  EXPECT_TRUE(fs::is_symlink(options));
  EXPECT_EQ(readFile(real), "Dest Office sides=one-sided\nDefault Office/draft\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::mask, fs::perms(0640));
}

// The print program beside the tests' build of ledgerfen.
class PrintProgramTest : public ::testing::Test {
 protected:
  Result<exporting::ProcessEnd> run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), LEDGERFEN_PRINT_PROGRAM);
    return launcher.runAndWait(arguments, milliseconds(30'000));
  }
  exporting::PosixProcessLauncher launcher;
  test::TempDir tmp;
};

TEST_F(PrintProgramTest, AWrongCommandLineIsAUsageError) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{{},
                                                                     {"/p"},
                                                                     {"-p", "file"},
                                                                     {"/p", "a", "b"},
                                                                     {"/p", "a", "-d", "Office"},
                                                                     {"-d", "", "/p", "a"},
                                                                     {"-d", "A", "-d", "B", "/p", "a"},
                                                                     {"-t", "Title", "/p"}}) {
    Result<exporting::ProcessEnd> end = run(arguments);
    ASSERT_TRUE(end.ok());
    EXPECT_EQ(end->exitCode, 2);
    EXPECT_EQ(end->errorOutput, "usage: ledgerfen-print [-d PRINTER] [-t TITLE] /p FILE\n");
  }
}

TEST_F(PrintProgramTest, AFileItCannotReadIsNamedInItsMessage) {
  Result<exporting::ProcessEnd> end = run({"/p", tmp.path() + "/missing file.txt"});
  ASSERT_TRUE(end.ok());
  EXPECT_EQ(end->exitCode, 1);
  EXPECT_EQ(end->errorOutput,
            "ledgerfen-print: cannot read " + tmp.path() + "/missing file.txt: No such file or directory\n");
  end = run({"/p", tmp.path()});
  ASSERT_TRUE(end.ok());
  EXPECT_EQ(end->errorOutput, "ledgerfen-print: cannot read " + tmp.path() + ": not a file\n");
}

TEST_F(PrintProgramTest, WithoutADefaultPrinterItSaysSo) {
  const std::string file = tmp.path() + "/tmp.txt";
  std::ofstream(file) << "A\tB\r\n";
  fs::create_directory(tmp.path() + "/home");
  fs::create_directory(tmp.path() + "/etc");
  ScopedEnv home("HOME", tmp.path() + "/home");
  ScopedEnv root("CUPS_SERVERROOT", tmp.path() + "/etc");
  ScopedEnv server("CUPS_SERVER", tmp.path() + "/no-scheduler.sock");
  ScopedEnv lpdest("LPDEST", std::nullopt);
  ScopedEnv printer("PRINTER", std::nullopt);
  Result<exporting::ProcessEnd> end = run({"/p", file});
  ASSERT_TRUE(end.ok());
  EXPECT_EQ(end->exitCode, 1);
  EXPECT_EQ(end->errorOutput.rfind("ledgerfen-print: no default printer: ", 0), 0u) << end->errorOutput;

  // A printer named is looked for by that name alone.
  end = run({"-d", "Mirrowick_PDF_Writer", "-t", "Orders", "/p", file});
  ASSERT_TRUE(end.ok());
  EXPECT_EQ(end->exitCode, 1);
  EXPECT_EQ(end->errorOutput.rfind("ledgerfen-print: the printer Mirrowick_PDF_Writer cannot be used: ", 0), 0u)
      << end->errorOutput;
}

}  // namespace
}  // namespace ledgerfen::pdf
