// The Linux pieces of the PDF export that need no printer: splitting and
// running command lines, the private temporary folder, finding the print
// program, CUPS when no scheduler runs, and the print program's own failures.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/pdf/cups_printing_system.h"
#include "ledgerfen/pdf/default_printer.h"
#include "ledgerfen/pdf/pdf_printer_check.h"
#include "ledgerfen/pdf/print_program.h"
#include "ledgerfen/pdf/process_launcher.h"
#include "ledgerfen/pdf/temporary_files.h"
#include "printing_fakes.h"
#include "support/temp_dir.h"

namespace ledgerfen::pdf {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Sets (or, given nothing, unsets) an environment variable for one test and
// puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SplitCommandLine, QuotesKeepBlanksAndAreDropped) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(splitCommandLine("\"/opt/my apps/ledgerfen-print\" /p \"/tmp/a b/tmp.txt\""),
            (Args{"/opt/my apps/ledgerfen-print", "/p", "/tmp/a b/tmp.txt"}));
  EXPECT_EQ(splitCommandLine(" /p \"C:\\x\\tmp.txt\""), (Args{"/p", "C:\\x\\tmp.txt"}));
  EXPECT_EQ(splitCommandLine("a\t\tb  \"\" c\"d e\"f"), (Args{"a", "b", "", "cd ef"}));
  EXPECT_EQ(splitCommandLine("\"unclosed quote here"), (Args{"unclosed quote here"}));
  EXPECT_EQ(splitCommandLine("  "), Args{});
}

TEST(PosixProcessLauncher, GivesTheExitCodeAndWhatTheProgramWroteToStandardError) {
  PosixProcessLauncher launcher;
  Result<ProcessEnd> end =
      launcher.runAndWait({"/bin/sh", "-c", "echo out; echo 'went wrong' >&2; exit 3"}, milliseconds(10'000));
  ASSERT_TRUE(end.ok()) << end.error().message();
  EXPECT_EQ(end->exitCode, 3);
  EXPECT_EQ(end->errorOutput, "went wrong\n");

  end = launcher.runAndWait({"/bin/sh", "-c", "kill -TERM $$"}, milliseconds(10'000));
  ASSERT_TRUE(end.ok());
  EXPECT_EQ(end->exitCode, 128 + 15);
}

TEST(PosixProcessLauncher, AProgramThatCannotStartIsAnError) {
  PosixProcessLauncher launcher;
  Result<ProcessEnd> missing = launcher.runAndWait({"/nonexistent/ledgerfen-print", "/p", "x"}, milliseconds(5000));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message(), "Cannot start /nonexistent/ledgerfen-print: No such file or directory");
  // No search of PATH and no shell: "sh" is not /bin/sh.
  EXPECT_FALSE(launcher.runAndWait({"sh", "-c", "exit 0"}, milliseconds(5000)).ok());
  EXPECT_FALSE(launcher.runAndWait({}, milliseconds(5000)).ok());
}

TEST(PosixProcessLauncher, AProgramStillRunningWhenTheTimeIsUpIsStopped) {
  PosixProcessLauncher launcher;
  const auto started = std::chrono::steady_clock::now();
  Result<ProcessEnd> end = launcher.runAndWait({"/bin/sleep", "30"}, milliseconds(300));
  ASSERT_FALSE(end.ok());
  EXPECT_EQ(end.error().message(), "/bin/sleep did not finish within 300 milliseconds and was stopped.");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(LinuxTemporaryFiles, PrivateFoldersAreNewEachTimeOnlyForTheUserAndGoWithTheirContents) {
  test::TempDir tmp;
  const std::string base = tmp.path() + "/temp with blanks";
  fs::create_directory(base);
  ScopedEnv tmpdir("TMPDIR", base);
  LinuxTemporaryFiles files;

  Result<std::string> first = files.makePrivateFolder();
  Result<std::string> second = files.makePrivateFolder();
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_NE(*first, *second);
  EXPECT_EQ(fs::path(*first).parent_path(), fs::path(base));
  EXPECT_EQ(fs::status(*first).permissions(), fs::perms::owner_all);

  const std::string file = *first + "/tmp.txt";
  std::ofstream(file) << "text";
  std::ofstream(*first + "/tmp.txt.partial") << "left by a writer";
  EXPECT_TRUE(files.fileExists(file));
  EXPECT_TRUE(files.deleteFile(file).ok());
  EXPECT_FALSE(files.fileExists(file));
  EXPECT_FALSE(files.deleteFile(file).ok());
  EXPECT_TRUE(files.removeFolder(*first).ok());
  EXPECT_FALSE(fs::exists(*first));
  EXPECT_TRUE(files.removeFolder(*second).ok());
}

TEST(LinuxTemporaryFiles, WithoutAUsableTmpdirTheFolderIsInTmp) {
  ScopedEnv tmpdir("TMPDIR", "/nonexistent/tmp");
  LinuxTemporaryFiles files;
  Result<std::string> folder = files.makePrivateFolder();
  ASSERT_TRUE(folder.ok());
  EXPECT_EQ(folder->rfind("/tmp/ledgerfen-pdf-", 0), 0u);
  EXPECT_TRUE(files.removeFolder(*folder).ok());
}

TEST(LinuxTemporaryFiles, TheForcedDeletionAlsoWorksInAFolderMadeReadOnly) {
  test::TempDir tmp;
  ScopedEnv tmpdir("TMPDIR", tmp.path());
  LinuxTemporaryFiles files;
  Result<std::string> folder = files.makePrivateFolder();
  ASSERT_TRUE(folder.ok());
  const std::string file = *folder + "/tmp.txt";
  std::ofstream(file) << "text";
  ::chmod(folder->c_str(), 0500);
  if (::geteuid() != 0) EXPECT_FALSE(files.deleteFile(file).ok());  // root may delete anyway
  EXPECT_TRUE(files.forceDeleteFile(file).ok());
  EXPECT_FALSE(files.fileExists(file));
  EXPECT_TRUE(files.removeFolder(*folder).ok());
}

TEST(PrintProgramPath, IsThePrintProgramInTheProgramFolderQuotedOrEmptyText) {
  test::TempDir tmp;
  const std::string folder = tmp.path() + "/program folder";
  fs::create_directory(folder);
  data::FileSystemProbe paths;
  EXPECT_EQ(printProgramPath(folder, paths), "");
  std::ofstream(folder + "/ledgerfen-print") << "";
  EXPECT_EQ(printProgramPath(folder, paths), "\"" + folder + "/ledgerfen-print\"");
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
  PrintingResult<std::string> none = printers.defaultDestination();
  ASSERT_FALSE(none.ok());
  EXPECT_NE(none.failure().number, 0);
  EXPECT_FALSE(none.failure().description.empty());

  fakes::RecordingMessageBoxes boxes;
  PdfPrinterInstalledCheck check(printers, boxes);
  EXPECT_TRUE(check.checkInstalled().ok());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, pdfPrinterMissingText());
  shell::MessageService messages(boxes);
  EXPECT_FALSE(DefaultPrinter(printers, messages).makeDefault("Mirrowick PDF Writer", false));
  EXPECT_FALSE(fs::exists(tmp.path() + "/home/.cups/lpoptions"));
}

// The print program beside the tests' build of ledgerfen.
class PrintProgramTest : public ::testing::Test {
 protected:
  Result<ProcessEnd> run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), LEDGERFEN_PRINT_PROGRAM);
    return launcher.runAndWait(arguments, milliseconds(30'000));
  }
  PosixProcessLauncher launcher;
  test::TempDir tmp;
};

TEST_F(PrintProgramTest, AWrongCommandLineIsAUsageError) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {"/p"}, {"-p", "file"}, {"/p", "a", "b"}}) {
    Result<ProcessEnd> end = run(arguments);
    ASSERT_TRUE(end.ok());
    EXPECT_EQ(end->exitCode, 2);
    EXPECT_EQ(end->errorOutput, "usage: ledgerfen-print /p FILE\n");
  }
}

TEST_F(PrintProgramTest, AFileItCannotReadIsNamedInItsMessage) {
  Result<ProcessEnd> end = run({"/p", tmp.path() + "/missing file.txt"});
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
  Result<ProcessEnd> end = run({"/p", file});
  ASSERT_TRUE(end.ok());
  EXPECT_EQ(end->exitCode, 1);
  EXPECT_EQ(end->errorOutput.rfind("ledgerfen-print: no default printer: ", 0), 0u) << end->errorOutput;
}

}  // namespace
}  // namespace ledgerfen::pdf
