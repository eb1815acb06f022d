// The PDF export against a real CUPS: a scheduler of the test's own (its
// own configuration folder, spool and domain socket, started in the
// foreground and stopped by its process id), the PDF printer as a cups-pdf
// queue writing into the test's folder, and a home folder of the test's own
// so that the user's default printer is the test's. A real table goes through
// the export; its cells must be in the PDF, and the default must be back.
//
// It needs root (cups-pdf only runs under a scheduler started as root) and
// the Debian packages cups, cups-filters, printer-driver-cups-pdf and
// poppler-utils; without them every test skips and says what is missing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/database.h"
#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/pdf/cups_printing_system.h"
#include "ledgerfen/pdf/default_printer.h"
#include "ledgerfen/pdf/pdf_export.h"
#include "ledgerfen/pdf/pdf_printer_check.h"
#include "ledgerfen/shell/error_report.h"
#include "printing_fakes.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen::pdf {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kLpadmin = "/usr/sbin/lpadmin";
constexpr const char* kLpoptions = "/usr/bin/lpoptions";
constexpr const char* kPdfToText = "/usr/bin/pdftotext";
constexpr const char* kCupsPdfBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kTextFilter = "/usr/lib/cups/filter/texttopdf";
constexpr const char* kCupsPdfModel = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// cups-pdf reads the configuration of the queue cups-pdf:/NAME from here.
constexpr const char* kCupsPdfConfigFolder = "/etc/cups";

constexpr const char* kPdfQueue = "Mirrowick_PDF_Writer";
constexpr const char* kOtherQueue = "Ledgerfen_Test_Other";

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Runs a program of the system and gives its standard error on failure.
Status runTool(std::vector<std::string> arguments) {
  exporting::PosixProcessLauncher launcher;
  Result<exporting::ProcessEnd> end = launcher.runAndWait(arguments, 60s);
  if (!end.ok()) return end.error();
  if (end->exitCode != 0) {
    return Error(ErrorKind::Io,
                 arguments[0] + " ended with " + std::to_string(end->exitCode) + ": " + end->errorOutput);
  }
  return okStatus();
}

// The scheduler and everything around it, for the whole test program.
class PrivateCups : public ::testing::Environment {
 public:
  static PrivateCups* instance;

  // Why the tests cannot run here; empty when they can.
  std::string missing;
  // Why the scheduler failed although everything it needs is here.
  std::string broken;
  std::string folder;
  std::string pdfOut;    // where the PDF printer's files go
  std::string otherOut;  // where the other printer's files go
  std::string userTemp;  // the user's temporary folder (TMPDIR)

  void SetUp() override {
    missing = whatIsMissing();
    if (!missing.empty()) return;
    tmp_ = std::make_unique<test::TempDir>();
    folder = tmp_->path();
    // The scheduler's filters run as the user lp, who must reach the spool.
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    for (const char* sub :
         {"etc", "etc/ppd", "spool", "cache", "state", "log", "home", "user-tmp", "pdf", "other", "client"}) {
      fs::create_directories(folder + "/" + sub);
    }
    fs::create_directories(folder + "/tmp");
    fs::permissions(folder + "/tmp", fs::perms::all | fs::perms::sticky_bit);
    pdfOut = folder + "/pdf";
    otherOut = folder + "/other";
    userTemp = folder + "/user-tmp";

    // The user of this test: its own home (so its own lpoptions), its own
    // temporary folder, and libcups pointed at the private scheduler.
    ::setenv("HOME", (folder + "/home").c_str(), 1);
    ::setenv("TMPDIR", userTemp.c_str(), 1);
    ::setenv("CUPS_SERVERROOT", (folder + "/client").c_str(), 1);
    ::setenv("CUPS_SERVER", socketPath().c_str(), 1);
    ::unsetenv("LPDEST");
    ::unsetenv("PRINTER");

    writeSchedulerConfiguration();
    Status started = startScheduler();
    if (!started.ok()) {
      broken = "the private CUPS scheduler did not start: " + started.error().message() + "\n" + errorLog();
      return;
    }
    const std::string tag = "ledgerfen-test-" + std::to_string(::getpid());
    pdfConfig_ = std::string(kCupsPdfConfigFolder) + "/cups-pdf-" + tag + ".conf";
    otherConfig_ = std::string(kCupsPdfConfigFolder) + "/cups-pdf-" + tag + "-other.conf";
    writeCupsPdfConfiguration(pdfConfig_, pdfOut);
    writeCupsPdfConfiguration(otherConfig_, otherOut);
    pdfUri_ = "cups-pdf:/" + tag;
    otherUri_ = "cups-pdf:/" + tag + "-other";
  }

  void TearDown() override {
    stopScheduler();
    std::error_code ignored;
    if (!pdfConfig_.empty()) fs::remove(pdfConfig_, ignored);
    if (!otherConfig_.empty()) fs::remove(otherConfig_, ignored);
    tmp_.reset();
  }

  // The two queues as the user would add them (README).
  Status addQueues() {
    LF_RETURN_IF_ERROR(runTool({kLpadmin, "-p", kPdfQueue, "-v", pdfUri_, "-P", kCupsPdfModel, "-D",
                                "Mirrowick PDF Writer", "-E", "-o", "pdftops-renderer-default=pdftocairo"}));
    return runTool({kLpadmin, "-p", kOtherQueue, "-v", otherUri_, "-P", kCupsPdfModel, "-D", "Ledgerfen Test Other",
                    "-E", "-o", "pdftops-renderer-default=pdftocairo"});
  }

  Status removeQueues() {
    for (const char* queue : {kPdfQueue, kOtherQueue}) (void)runTool({kLpadmin, "-x", queue});
    return okStatus();
  }

  std::string socketPath() const { return folder + "/cups.sock"; }
  std::string errorLog() const { return "scheduler's error log:\n" + readText(folder + "/log/error_log"); }
  std::string userOptions() const { return readText(folder + "/home/.cups/lpoptions"); }

 private:
  static std::string whatIsMissing() {
    if (::geteuid() != 0) return "needs root: cups-pdf runs only under a CUPS scheduler started as root";
    for (const char* path : {kCupsd, kLpadmin, kLpoptions, kPdfToText, kCupsPdfBackend, kTextFilter, kCupsPdfModel}) {
      if (!fs::exists(path)) {
        return std::string("needs ") + path +
               " (Debian packages cups, cups-filters, printer-driver-cups-pdf, poppler-utils)";
      }
    }
    if (::access(kCupsPdfConfigFolder, W_OK) != 0) {
      return std::string("cannot write the cups-pdf configuration into ") + kCupsPdfConfigFolder;
    }
    return {};
  }

  void writeSchedulerConfiguration() {
    writeText(folder + "/etc/cups-files.conf",
              "ServerRoot " + folder + "/etc\n" + "RequestRoot " + folder + "/spool\n" + "CacheDir " + folder +
                  "/cache\n" + "StateDir " + folder + "/state\n" + "TempDir " + folder + "/tmp\n" + "AccessLog " +
                  folder + "/log/access_log\n" + "ErrorLog " + folder + "/log/error_log\n" + "PageLog " + folder +
                  "/log/page_log\n" + "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nSystemGroup root\n");
    writeText(folder + "/etc/cupsd.conf", "Listen " + socketPath() +
                                              "\n"
                                              "LogLevel info\n"
                                              "Browsing No\n"
                                              "WebInterface No\n"
                                              "DefaultAuthType None\n"
                                              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                              "</Policy>\n");
  }

  void writeCupsPdfConfiguration(const std::string& path, const std::string& out) {
    writeText(path, "Out " + out + "\nAnonDirName " + out + "\nSpool " + folder + "/cups-pdf-spool\nLog " + folder +
                        "/log\nGrp lp\n");
  }

  Status startScheduler() {
    std::vector<std::string> arguments = {
        kCupsd, "-f", "-c", folder + "/etc/cupsd.conf", "-s", folder + "/etc/cups-files.conf"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const std::string outPath = folder + "/log/cupsd.out";
    pid_ = ::fork();
    if (pid_ < 0) return Error(ErrorKind::Io, "fork failed");
    if (pid_ == 0) {
      const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
      }
      ::execv(kCupsd, argv.data());
      ::_exit(127);
    }
    // Ready when its socket takes a connection (bounded).
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return Error(ErrorKind::Io, "cupsd ended at once: " + readText(outPath));
      }
      if (socketAnswers()) return okStatus();
      std::this_thread::sleep_for(50ms);
    }
    return Error(ErrorKind::Io, "cupsd did not open its socket within 20 seconds");
  }

  bool socketAnswers() const {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath().c_str());
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
  }

  // By its process id: SIGTERM, then SIGKILL after a bounded wait.
  void stopScheduler() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(50ms);
    }
    pid_ = -1;
  }

  std::unique_ptr<test::TempDir> tmp_;
  pid_t pid_ = -1;
  std::string pdfConfig_;
  std::string otherConfig_;
  std::string pdfUri_;
  std::string otherUri_;
};

PrivateCups* PrivateCups::instance = nullptr;

class NoProgramControl final : public shell::ProgramControl {
 public:
  void endProgram() override {}
  bool ended() const override { return false; }
};

class CountingEvents final : public PendingEvents {
 public:
  int runs = 0;
  void runOnce() override { ++runs; }
};

// The table as tab-separated text: a line of column names, then one line per
// row of cell texts, CR LF after each.
Status writeTableText(const std::string& database, const std::string& tableName, const std::string& path) {
  LF_ASSIGN_OR_RETURN(std::unique_ptr<Database> db, Database::open(database));
  LF_ASSIGN_OR_RETURN(Table table, db->table(tableName));
  std::string text;
  const std::vector<Column>& columns = table.schema().columns;
  for (size_t c = 0; c < columns.size(); ++c) text += (c ? "\t" : "") + columns[c].name;
  text += "\r\n";
  LF_ASSIGN_OR_RETURN(RowCursor cursor, table.scan());
  Row row;
  for (;;) {
    LF_ASSIGN_OR_RETURN(bool more, cursor.next(row));
    if (!more) break;
    for (size_t c = 0; c < columns.size(); ++c) text += (c ? "\t" : "") + data::cellText(columns[c], row.values[c]);
    text += "\r\n";
  }
  writeText(path, text);
  return okStatus();
}

// The text without any white space: the text filter spreads cells over tab
// stops and wraps lines longer than the page, so only the letters keep
// their order.
std::string withoutBlanks(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  }
  return out;
}

std::vector<fs::path> pdfFilesIn(const std::string& folder) {
  std::vector<fs::path> found;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) {
    if (entry.path().extension() == ".pdf") found.push_back(entry.path());
  }
  return found;
}

class CupsPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cups = PrivateCups::instance;
    if (!cups->missing.empty()) GTEST_SKIP() << "CUPS test skipped: " << cups->missing;
    if (!cups->broken.empty()) FAIL() << cups->broken;
    messages.setApplicationTitle("Ledgerfen");
  }

  PrivateCups* cups = nullptr;
  fakes::RecordingMessageBoxes boxes;
  shell::MessageService messages{boxes};
  CupsPrintingSystem printers;
};

TEST_F(CupsPdfTest, ASchedulerWithoutQueuesHasNoPrinterAndNoDefault) {
  ASSERT_TRUE(cups->removeQueues().ok());
  PrintingResult<std::vector<PrinterQueue>> queues = printers.destinations();
  ASSERT_TRUE(queues.ok()) << queues.failure().description;
  EXPECT_TRUE(queues.value().empty());
  PrintingResult<std::string> none = printers.defaultDestination();
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.failure().number, 0x0406);  // IPP not-found

  PdfPrinterInstalledCheck check(printers, boxes);
  EXPECT_TRUE(check.checkInstalled().ok());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, pdfPrinterMissingText());
}

TEST_F(CupsPdfTest, TheUsersDefaultChangesInTheUsersOwnOptionsOnly) {
  ASSERT_TRUE(cups->addQueues().ok());
  PdfPrinterInstalledCheck check(printers, boxes);
  EXPECT_TRUE(check.checkInstalled().ok());
  EXPECT_TRUE(boxes.shown.empty());

  DefaultPrinter defaultPrinter(printers, messages);
  EXPECT_TRUE(defaultPrinter.makeDefault("Ledgerfen Test Other", false));  // by description
  EXPECT_EQ(defaultPrinter.currentName(), kOtherQueue);
  EXPECT_TRUE(defaultPrinter.makeDefault("Mirrowick PDF Writer", false));  // blanks as "_"
  EXPECT_EQ(defaultPrinter.currentName(), kPdfQueue);
  EXPECT_NE(cups->userOptions().find(std::string("Default ") + kPdfQueue), std::string::npos) << cups->userOptions();
  EXPECT_FALSE(defaultPrinter.makeDefault("No Such Printer", false));
  EXPECT_EQ(defaultPrinter.currentName(), kPdfQueue);
  EXPECT_TRUE(boxes.shown.empty());
  // The scheduler's own default is untouched.
  EXPECT_FALSE(fs::exists(cups->folder + "/etc/lpoptions"));
}

TEST_F(CupsPdfTest, ATableExportedAsPdfHasItsCellsInThePdfAndTheDefaultIsBackAfterwards) {
  ASSERT_TRUE(cups->addQueues().ok());
  ASSERT_TRUE(runTool({kLpoptions, "-d", kOtherQueue}).ok());
  for (const fs::path& old : pdfFilesIn(cups->pdfOut)) fs::remove(old);

  test::TempDir work;
  const std::string database = work.copyFixture("mdb-reader/data/V2000/test.mdb");
  const std::string programFolder = fs::path(LEDGERFEN_PRINT_PROGRAM).parent_path().string();
  shell::ErrorReporter errors(messages);
  data::FileSystemProbe paths;
  NoProgramControl control;
  shell::WindowServices window{messages, errors, paths, control, programFolder};
  exporting::PosixProcessLauncher processes;
  exporting::LinuxTemporaryFiles files;
  CountingEvents events;
  std::string printedText;
  PdfExport exporter(window, {printers, processes, files, events}, [&](const std::string& path) {
    Status written = writeTableText(database, "Table1", path);
    printedText = readText(path);
    return written;
  });

  const auto started = std::chrono::steady_clock::now();
  exporter.run();
  const auto handedOver = std::chrono::steady_clock::now() - started;
  for (const auto& shown : boxes.shown) ADD_FAILURE() << "shown: " << shown.text;
  EXPECT_EQ(events.runs, 1);
  EXPECT_EQ(printers.defaultDestination().value(), kOtherQueue);
  for (const auto& entry : fs::directory_iterator(cups->userTemp)) {
    EXPECT_NE(entry.path().filename().string().rfind("ledgerfen-pdf-", 0), 0u) << "left behind: " << entry.path();
  }

  // cups-pdf writes the PDF when the job is done.
  std::vector<fs::path> pdfs;
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while ((pdfs = pdfFilesIn(cups->pdfOut)).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_EQ(pdfs.size(), 1u) << cups->errorLog();
  std::this_thread::sleep_for(500ms);  // the backend may still be closing the file
  std::cout << "handed over in " << std::chrono::duration_cast<std::chrono::milliseconds>(handedOver).count()
            << " ms, PDF after "
            << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()
            << " ms\n";

  const std::string textFile = work.path() + "/pdf.txt";
  ASSERT_TRUE(runTool({kPdfToText, "-layout", pdfs[0].string(), textFile}).ok());
  const std::string pdfText = withoutBlanks(readText(textFile));
  if (std::getenv("LEDGERFEN_SHOW_PDF_TEXT")) std::cout << readText(textFile);
  ASSERT_FALSE(printedText.empty());
  std::istringstream lines(printedText);
  int cells = 0;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) {
      if (withoutBlanks(cell).empty()) continue;
      ++cells;
      EXPECT_NE(pdfText.find(withoutBlanks(cell)), std::string::npos) << "cell \"" << cell << "\" not in the PDF:\n"
                                                                      << readText(textFile);
    }
  }
  EXPECT_GT(cells, 9 + 9);  // the names of the nine columns and more than a row of values
  EXPECT_TRUE(pdfFilesIn(cups->otherOut).empty()) << "the other printer printed too";
}

}  // namespace
}  // namespace ledgerfen::pdf

// ctest shows the test as skipped, not passed, when CUPS was not there.
constexpr int kSkipped = 77;

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto* cups = new ledgerfen::pdf::PrivateCups;
  ledgerfen::pdf::PrivateCups::instance = cups;
  ::testing::AddGlobalTestEnvironment(cups);
  const int result = RUN_ALL_TESTS();
  if (result == 0 && !cups->missing.empty()) {
    std::cout << "Skipped: " << cups->missing << "\n";
    return kSkipped;
  }
  return result;
}
