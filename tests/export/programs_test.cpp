// The one way the exports start other programs and keep their files
// private: splitting and running command lines, and private temporary
// folders.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/export/temporary_files.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace ledgerfen::exporting {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::ScopedEnv;

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

}  // namespace
}  // namespace ledgerfen::exporting
