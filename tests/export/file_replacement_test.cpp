// Atomic replacement of export files: the target ends up holding exactly the
// new bytes, or, when anything fails or the file is never finished, stays as
// it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ledgerfen/export/byte_sink.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "unprivileged.h"

namespace ledgerfen {
namespace {

namespace fs = std::filesystem;
using exporting::FileReplacement;

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

mode_t modeOf(const std::string& path) {
  struct stat s {};
  stat(path.c_str(), &s);
  return s.st_mode & 07777;
}

size_t entriesIn(const std::string& folder) {
  return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(FileReplacement, ALongerFileEndsUpHoldingExactlyTheNewBytes) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.csv";
  writeFile(path, std::string(10000, 'x'));
  chmod(path.c_str(), 0640);
  ASSERT_TRUE(FileReplacement(path).write("\"ID\"\r\n\r\n").ok());
  EXPECT_EQ(test::readFileText(path), "\"ID\"\r\n\r\n");
  EXPECT_EQ(modeOf(path), 0640u);
  EXPECT_EQ(entriesIn(dir.path()), 1u);  // no temporary file left
}

// The pieces of a file go out as they come, the old file staying in place
// until the last is in; a replacement abandoned half way leaves it whole.
TEST(FileReplacement, PiecesTakeEffectOnlyWhenTheFileIsFinished) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.csv";
  writeFile(path, "old");
  {
    FileReplacement file(path);
    ASSERT_TRUE(file.append("first,").ok());
    ASSERT_TRUE(file.append("second").ok());
    EXPECT_EQ(test::readFileText(path), "old");
    EXPECT_EQ(entriesIn(dir.path()), 2u);  // the new file beside the old
    ASSERT_TRUE(file.finish().ok());
    EXPECT_FALSE(file.append("late").ok()) << "a finished file takes nothing more";
  }
  EXPECT_EQ(test::readFileText(path), "first,second");
  {
    FileReplacement abandoned(path);
    ASSERT_TRUE(abandoned.append(std::string(100000, 'y')).ok());
  }
  EXPECT_EQ(test::readFileText(path), "first,second");
  EXPECT_EQ(entriesIn(dir.path()), 1u) << "the abandoned new file is removed";
}

// A disk that fills half way (here a file size limit, in a child process):
// the write fails, finishing afterwards fails too rather than putting a
// short file in place, and the old file stays whole.
TEST(FileReplacement, AWriteThatFailsHalfWayKeepsTheOldFile) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.csv";
  writeFile(path, "old");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    FileReplacement file(path);
    const bool appendFailed = !file.append(std::string(1 << 20, 'x')).ok();
    const bool finishFailed = !file.finish().ok();
    _exit(appendFailed && finishFailed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failures were not both reported";
  EXPECT_EQ(test::readFileText(path), "old");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(FileReplacement, ANewFileTakesTheUsualPermissions) {
  test::TempDir dir;
  const mode_t old = umask(022);
  const std::string path = dir.path() + "/new";
  EXPECT_TRUE(FileReplacement(path).write("data").ok());
  umask(old);
  EXPECT_EQ(test::readFileText(path), "data");
  EXPECT_EQ(modeOf(path), 0644u);
}

TEST(FileReplacement, ASymbolicLinkStaysAndItsTargetIsReplaced) {
  test::TempDir dir;
  const std::string target = dir.path() + "/target.txt";
  writeFile(target, "old contents");
  fs::create_symlink("target.txt", dir.path() + "/link.txt");
  ASSERT_TRUE(FileReplacement(dir.path() + "/link.txt").write("new").ok());
  EXPECT_TRUE(fs::is_symlink(dir.path() + "/link.txt"));
  EXPECT_EQ(test::readFileText(target), "new");
}

TEST(FileReplacement, FailuresNameThePathAndLeaveNothingBehind) {
  test::TempDir dir;
  auto missing = FileReplacement(dir.path() + "/no/such/folder/out.csv").write("x");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message(),
            "Cannot write " + dir.path() + "/no/such/folder/out.csv: No such file or directory");

  fs::create_directory(dir.path() + "/folder");
  auto folder = FileReplacement(dir.path() + "/folder").write("x");
  ASSERT_FALSE(folder.ok());
  EXPECT_EQ(folder.error().message(), "Cannot write " + dir.path() + "/folder: it is a folder");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(FileReplacement, AReadOnlyFolderOrFileKeepsTheOldFileWhole) {
  test::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  const std::string folder = dir.path() + "/read-only";
  fs::create_directory(folder);
  const std::string inFolder = folder + "/out.csv";
  writeFile(inFolder, "old contents\r\n");
  const std::string readOnlyFile = dir.path() + "/read-only.csv";
  writeFile(readOnlyFile, "old file\r\n");
  for (const std::string& path : {folder, inFolder, readOnlyFile}) test::giveToBodyUser(path);
  chmod(inFolder.c_str(), 0644);
  chmod(folder.c_str(), 0555);
  chmod(readOnlyFile.c_str(), 0444);

  const std::string outcome = test::runUnprivileged([&]() -> std::string {
    auto inReadOnlyFolder = FileReplacement(inFolder).write("new");
    if (inReadOnlyFolder.ok()) return "wrote into a read-only folder";
    if (inReadOnlyFolder.error().message() != "Cannot write " + inFolder + ": Permission denied") {
      return "folder: " + inReadOnlyFolder.error().message();
    }
    auto readOnly = FileReplacement(readOnlyFile).write("new");
    if (readOnly.ok()) return "replaced a read-only file";
    if (readOnly.error().message() != "Cannot write " + readOnlyFile + ": the file is read-only") {
      return "file: " + readOnly.error().message();
    }
    return "";
  });
  EXPECT_EQ(outcome, "");
  EXPECT_EQ(test::readFileText(inFolder), "old contents\r\n");
  EXPECT_EQ(test::readFileText(readOnlyFile), "old file\r\n");
  EXPECT_EQ(entriesIn(folder), 1u);
  chmod(folder.c_str(), 0755);
}

}  // namespace
}  // namespace ledgerfen
