// The PDF export against a real CUPS: a scheduler of the test's own (its
// own configuration folder, spool and domain socket, started in the
// foreground and stopped by its process id), the PDF printer as a cups-pdf
// queue writing into the test's folder, and a home folder of the test's own
// so that the user's default printer is the test's. Real tables go through
// the export: their cells must be in the PDF, laid out in pages under their
// captions, the PDF must be named after the table, nothing may reach the
// other printer, and the user's default must be back as it was, whether it
// was a printer of their own, the system's, or none.
//
// It needs root (cups-pdf only runs under a scheduler started as root) and
// the Debian packages cups, cups-filters, printer-driver-cups-pdf and
// poppler-utils; without them every test skips and says what is missing.
// The case of a locale whose code set is not UTF-8 also needs the package
// locales (localedef and the locale sources) and skips without it.
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
#include "ledgerfen/export/table_grid_reader.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/export/text_writers.h"
#include "ledgerfen/pdf/cups_printing_system.h"
#include "ledgerfen/pdf/default_printer.h"
#include "ledgerfen/pdf/pdf_export.h"
#include "ledgerfen/pdf/pdf_printer_check.h"
#include "ledgerfen/shell/error_report.h"
#include "printing_fakes.h"
#include "scoped_env.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "table_grid.h"

namespace ledgerfen::pdf {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kLpadmin = "/usr/sbin/lpadmin";
constexpr const char* kLpoptions = "/usr/bin/lpoptions";
constexpr const char* kPdfToText = "/usr/bin/pdftotext";
constexpr const char* kPdfInfo = "/usr/bin/pdfinfo";
constexpr const char* kLocaledef = "/usr/bin/localedef";
constexpr const char* kCupsPdfBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kTextFilter = "/usr/lib/cups/filter/texttopdf";
constexpr const char* kCupsPdfModel = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// cups-pdf reads the configuration of the queue cups-pdf:/NAME from here.
constexpr const char* kCupsPdfConfigFolder = "/etc/cups";

// What a leak checker should not count: glibc's copy of LOCPATH.
constexpr const char* kLocalePathLeak = "leak:argz_add_sep\n";

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
  std::string userOptionsPath() const { return folder + "/home/.cups/lpoptions"; }
  std::string userOptions() const { return readText(userOptionsPath()); }
  // The system's lpoptions as libcups reads it in this test (CUPS_SERVERROOT).
  std::string systemOptionsPath() const { return folder + "/client/lpoptions"; }

 private:
  static std::string whatIsMissing() {
    if (::geteuid() != 0) return "needs root: cups-pdf runs only under a CUPS scheduler started as root";
    for (const char* path :
         {kCupsd, kLpadmin, kLpoptions, kPdfToText, kPdfInfo, kCupsPdfBackend, kTextFilter, kCupsPdfModel}) {
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

 public:
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

 private:
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

// A table of a database written as the window writes it: the TXT export
// over the texts the grid shows.
Status writeTableText(const std::string& database, const std::string& tableName, const std::string& path) {
  LF_ASSIGN_OR_RETURN(std::unique_ptr<Database> db, Database::open(database));
  LF_ASSIGN_OR_RETURN(Table table, db->table(tableName));
  LF_ASSIGN_OR_RETURN(std::unique_ptr<exporting::TableGridReader> grid,
                      exporting::TableGridReader::open(std::move(table)));
  return exporting::writeTxt(*grid, path);
}

// The text without any white space: only the letters keep their order
// whatever the columns' widths.
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

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// One PDF the printer made: its file, its text as pdftotext -layout reads
// it, page by page, and what pdfinfo says of it.
struct PrintedPdf {
  fs::path file;
  std::vector<std::string> pages;
  std::string info;

  // Whether a viewer shows the first page wider than high: its size turned
  // by its rotation.
  bool shownInLandscape() const {
    double width = 0, height = 0;
    int rotation = 0;
    std::istringstream lines(info);
    for (std::string line; std::getline(lines, line);) {
      std::sscanf(line.c_str(), "Page size: %lf x %lf", &width, &height);
      std::sscanf(line.c_str(), "Page rot: %d", &rotation);
    }
    return rotation % 180 == 0 ? width > height : height > width;
  }
};

class CupsPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cups = PrivateCups::instance;
    if (!cups->missing.empty()) GTEST_SKIP() << "CUPS test skipped: " << cups->missing;
    if (!cups->broken.empty()) FAIL() << cups->broken;
    messages.setApplicationTitle("Ledgerfen");
  }

  // The queues as the user added them, the user's default as `lpoptions -d`
  // set it (or none), no system default, and no PDF left from before.
  void startFrom(const std::optional<std::string>& userDefault) {
    ASSERT_TRUE(cups->addQueues().ok());
    std::error_code ignored;
    fs::remove(cups->userOptionsPath(), ignored);
    fs::remove(cups->systemOptionsPath(), ignored);
    if (userDefault) ASSERT_TRUE(runTool({kLpoptions, "-d", *userDefault}).ok());
    for (const char* out : {cups->pdfOut.c_str(), cups->otherOut.c_str()}) {
      for (const fs::path& old : pdfFilesIn(out)) fs::remove(old);
    }
  }

  // Runs the PDF export of the text the writer writes, as the table
  // `tableName`, with the real print program; how many times the export ran
  // the event loop while it waited.
  int runExport(const GridTextWriter& writer, const std::string& tableName) {
    const std::string programFolder = fs::path(LEDGERFEN_PRINT_PROGRAM).parent_path().string();
    shell::ErrorReporter errors(messages);
    data::FileSystemProbe paths;
    NoProgramControl control;
    shell::WindowServices window{messages, errors, paths, control, programFolder};
    exporting::PosixProcessLauncher processes;
    exporting::LinuxTemporaryFiles files;
    CountingEvents events;
    PdfExport exporter(window, {printers, processes, files, events}, writer, [&] { return tableName; });
    exporter.run();
    return events.runs;
  }

  // The export's private folder is gone, whatever happened.
  void expectNoExportFolderLeft() {
    for (const auto& entry : fs::directory_iterator(cups->userTemp)) {
      EXPECT_NE(entry.path().filename().string().rfind("ledgerfen-pdf-", 0), 0u) << "left behind: " << entry.path();
    }
  }

  // Runs the export of the text the writer writes, as the table `tableName`,
  // and reads back the PDF the printer made.
  PrintedPdf exportAsPdf(const GridTextWriter& writer, const std::string& tableName) {
    const auto started = std::chrono::steady_clock::now();
    const int eventRuns = runExport(writer, tableName);
    const auto handedOver = std::chrono::steady_clock::now() - started;
    for (const auto& shown : boxes.shown) ADD_FAILURE() << "shown: " << shown.text;
    EXPECT_EQ(eventRuns, 1);
    expectNoExportFolderLeft();

    // cups-pdf writes the PDF when the job is done.
    PrintedPdf printed;
    std::vector<fs::path> pdfs;
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while ((pdfs = pdfFilesIn(cups->pdfOut)).empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(100ms);
    }
    if (pdfs.size() != 1) {
      ADD_FAILURE() << pdfs.size() << " PDF files\n" << cups->errorLog();
      return printed;
    }
    std::this_thread::sleep_for(500ms);  // the backend may still be closing the file
    std::cout
        << "handed over in " << std::chrono::duration_cast<std::chrono::milliseconds>(handedOver).count()
        << " ms, PDF after "
        << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()
        << " ms\n";
    printed.file = pdfs[0];
    test::TempDir work;
    const std::string textFile = work.path() + "/pdf.txt";
    EXPECT_TRUE(runTool({kPdfToText, "-layout", printed.file.string(), textFile}).ok());
    const std::string text = readText(textFile);
    if (std::getenv("LEDGERFEN_SHOW_PDF_TEXT")) std::cout << text;
    std::istringstream in(text);
    for (std::string page; std::getline(in, page, '\f');) printed.pages.push_back(page);
    if (!printed.pages.empty() && trimmed(printed.pages.back()).empty()) printed.pages.pop_back();

    const std::string infoFile = work.path() + "/info.txt";
    exporting::PosixProcessLauncher launcher;
    Result<exporting::ProcessEnd> end = launcher.runAndWait(
        {"/bin/sh", "-c", std::string(kPdfInfo) + " \"$1\" > \"$2\"", "sh", printed.file.string(), infoFile}, 60s);
    EXPECT_TRUE(end.ok() && end->exitCode == 0);
    printed.info = readText(infoFile);
    EXPECT_TRUE(pdfFilesIn(cups->otherOut).empty()) << "the other printer printed too";
    return printed;
  }

  PrivateCups* cups = nullptr;
  fakes::RecordingMessageBoxes boxes;
  shell::MessageService messages{boxes};
  CupsPrintingSystem printers;
};

// CUPS stopped: the start-up check fails with the printing system's own
// message, which the start-up reports; the export makes no PDF, says why
// once, and leaves the user's default as it was.
TEST_F(CupsPdfTest, WithCupsStoppedOneRightMessageIsShownAndTheDefaultStays) {
  startFrom(std::string(kOtherQueue));
  const std::string optionsBefore = cups->userOptions();
  cups->stopScheduler();
  struct StartAgain {
    PrivateCups* cups;
    ~StartAgain() { EXPECT_TRUE(cups->startScheduler().ok()); }
  } startAgain{cups};

  PdfPrinterInstalledCheck check(printers, boxes);
  const Status checked = check.checkInstalled();
  ASSERT_FALSE(checked.ok());
  EXPECT_EQ(checked.error().message().rfind("The printing system (CUPS) cannot be reached", 0), 0u)
      << checked.error().message();
  EXPECT_TRUE(boxes.shown.empty());

  runExport(
      [](const std::string& path) {
        test::TableGrid grid(test::TableData{{"ID"}, {{"1"}}});
        return exporting::writeTxt(grid, path);
      },
      "Stopped");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("Nothing was printed: CUPS cannot be asked for its printers"), std::string::npos)
      << boxes.shown[0].text;
  EXPECT_EQ(cups->userOptions(), optionsBefore);
  EXPECT_TRUE(pdfFilesIn(cups->pdfOut).empty());
  expectNoExportFolderLeft();
}

TEST_F(CupsPdfTest, ASchedulerWithoutQueuesHasNoPrinterAndNoDefault) {
  ASSERT_TRUE(cups->removeQueues().ok());
  PrintingResult<std::vector<PrinterQueue>> queues = printers.destinations();
  ASSERT_TRUE(queues.ok()) << queues.failure().description;
  EXPECT_TRUE(queues.value().empty());
  // No default at all is a state, not a failure.
  PrintingResult<std::optional<std::string>> none = printers.defaultDestination();
  ASSERT_TRUE(none.ok()) << none.failure().description;
  EXPECT_EQ(none.value(), std::nullopt);

  PdfPrinterInstalledCheck check(printers, boxes);
  EXPECT_TRUE(check.checkInstalled().ok());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, pdfPrinterMissingText());
}

TEST_F(CupsPdfTest, TheUsersDefaultChangesInTheUsersOwnOptionsOnly) {
  startFrom(std::nullopt);
  PdfPrinterInstalledCheck check(printers, boxes);
  EXPECT_TRUE(check.checkInstalled().ok());
  EXPECT_TRUE(boxes.shown.empty());

  DefaultPrinter defaultPrinter(printers, messages);
  EXPECT_TRUE(defaultPrinter.makeDefault("Ledgerfen Test Other", false));  // by description
  EXPECT_EQ(defaultPrinter.currentName(), kOtherQueue);
  EXPECT_TRUE(defaultPrinter.makeDefault("Mirrowick PDF Writer", false));  // blanks as "_"
  EXPECT_EQ(defaultPrinter.currentName(), kPdfQueue);
  EXPECT_EQ(cups->userOptions(), std::string("Default ") + kPdfQueue + "\n");
  EXPECT_FALSE(defaultPrinter.makeDefault("No Such Printer", false));
  EXPECT_EQ(defaultPrinter.currentName(), kPdfQueue);
  EXPECT_TRUE(boxes.shown.empty());
  // The scheduler's own default and the system's options are untouched.
  EXPECT_FALSE(fs::exists(cups->folder + "/etc/lpoptions"));
  EXPECT_FALSE(fs::exists(cups->systemOptionsPath()));
}

TEST_F(CupsPdfTest, ATableExportedAsPdfHasItsCellsUnderItsCaptionsAndTheDefaultIsBackAfterwards) {
  startFrom(std::string(kOtherQueue));
  const std::string optionsBefore = cups->userOptions();
  test::TempDir work;
  const std::string database = work.copyFixture("mdb-reader/data/V2000/test.mdb");
  std::string printedText;
  const PrintedPdf pdf = exportAsPdf(
      [&](const std::string& path) {
        Status written = writeTableText(database, "Table1", path);
        printedText = readText(path);
        return written;
      },
      "Table1");
  ASSERT_FALSE(pdf.pages.empty());
  EXPECT_EQ(printers.defaultDestination().value(), kOtherQueue);
  EXPECT_EQ(cups->userOptions(), optionsBefore);
  // cups-pdf names the file after the job, which is named after the table
  // (Debian's cups-pdf adds the job's number).
  EXPECT_EQ(pdf.file.filename().string().rfind("Table1", 0), 0u) << pdf.file;

  // Each cell of the text the program wrote stands in the PDF, under its
  // caption: the first line after the rule holds the first row.
  ASSERT_EQ(pdf.pages.size(), 1u);
  const std::vector<std::string> lines = linesOf(pdf.pages[0]);
  size_t captions = 0;
  while (captions < lines.size() && lines[captions].find("A ") == std::string::npos) ++captions;
  ASSERT_LT(captions + 3, lines.size()) << pdf.pages[0];
  EXPECT_EQ(trimmed(lines[captions - 2]), "Table1");
  const std::vector<std::string> rows = linesOf(printedText);
  ASSERT_GE(rows.size(), 3u);
  std::vector<std::string> captionNames;
  std::istringstream captionFields(rows[0]);
  for (std::string caption; std::getline(captionFields, caption, '\t');) captionNames.push_back(caption);
  std::vector<std::string> firstRow;
  std::istringstream firstFields(rows[1]);
  for (std::string cell; std::getline(firstFields, cell, '\t');) firstRow.push_back(cell);
  ASSERT_EQ(captionNames.size(), 9u);
  ASSERT_EQ(firstRow.size(), 9u);
  const std::string& captionLine = lines[captions];
  const std::string& firstLine = lines[captions + 2];
  size_t from = 0;
  for (size_t k = 0; k < captionNames.size(); ++k) {
    // Texts stand left under their caption, numbers end where it ends.
    const size_t caption = captionLine.find(captionNames[k], from);
    ASSERT_NE(caption, std::string::npos) << captionLine;
    const size_t cell = firstLine.find(firstRow[k], caption > 12 ? caption - 12 : 0);
    ASSERT_NE(cell, std::string::npos) << firstRow[k] << " not in " << firstLine;
    EXPECT_TRUE(cell == caption || cell + firstRow[k].size() == caption + captionNames[k].size())
        << captionNames[k] << " at " << caption << ", " << firstRow[k] << " at " << cell << "\n"
        << pdf.pages[0];
    from = caption + 1;
  }
  EXPECT_EQ(trimmed(lines.back()), "Page 1 of 1") << pdf.pages[0];
  EXPECT_NE(pdf.info.find("595 x 842"), std::string::npos) << pdf.info;  // A4 upright
  EXPECT_FALSE(pdf.shownInLandscape()) << pdf.info;
}

// No default of the user's own: the system's (here, libcups's lpoptions) is
// never copied into the user's options, and without any default the user
// has none again afterwards.
TEST_F(CupsPdfTest, WithoutADefaultOfTheirOwnTheUserHasNoneOfTheirOwnAfterwards) {
  startFrom(std::nullopt);
  writeText(cups->systemOptionsPath(), std::string("Default ") + kOtherQueue + "\n");
  ASSERT_EQ(printers.defaultDestination().value(), kOtherQueue);
  const GridTextWriter smallTable = [](const std::string& path) {
    test::TableGrid grid(test::TableData{{"ID", "Name"}, {{"1", "one"}, {"2", "two"}}});
    return exporting::writeTxt(grid, path);
  };
  PrintedPdf pdf = exportAsPdf(smallTable, "Small");
  EXPECT_NE(withoutBlanks(pdf.pages.empty() ? "" : pdf.pages[0]).find("2two"), std::string::npos);
  EXPECT_FALSE(fs::exists(cups->userOptionsPath())) << cups->userOptions();
  EXPECT_EQ(printers.defaultDestination().value(), kOtherQueue);

  fs::remove(cups->systemOptionsPath());
  for (const fs::path& old : pdfFilesIn(cups->pdfOut)) fs::remove(old);
  ASSERT_EQ(printers.defaultDestination().value(), std::nullopt);
  pdf = exportAsPdf(smallTable, "Small");
  EXPECT_EQ(pdf.pages.size(), 1u);
  EXPECT_FALSE(fs::exists(cups->userOptionsPath())) << cups->userOptions();
  EXPECT_EQ(printers.defaultDestination().value(), std::nullopt);
}

// PRINTER and LPDEST name the other printer: the table still goes to the
// PDF printer, named on the print program's command line.
TEST_F(CupsPdfTest, PrinterVariablesCannotSendTheTableToAnotherPrinter) {
  startFrom(std::string(kOtherQueue));
  test::ScopedEnv printer("PRINTER", std::string(kOtherQueue));
  test::ScopedEnv lpdest("LPDEST", std::string(kOtherQueue));
  const PrintedPdf pdf = exportAsPdf(
      [](const std::string& path) {
        test::TableGrid grid(test::TableData{{"Where"}, {{"on the PDF printer"}}});
        return exporting::writeTxt(grid, path);
      },
      "Elsewhere");
  ASSERT_EQ(pdf.pages.size(), 1u);
  EXPECT_NE(pdf.pages[0].find("on the PDF printer"), std::string::npos);
  EXPECT_EQ(cups->userOptions(), std::string("Default ") + kOtherQueue + "\n");
}

// A table of many rows and wide columns, written in a locale whose code set
// is ISO-8859-1: landscape pages, each with the table's name, the captions
// and its number, every row once, and the accented letters as they were.
TEST_F(CupsPdfTest, AWideLongTableInALatin1LocalePrintsInLandscapePagesWithItsLettersIntact) {
  test::TempDir locales;
  if (runTool({kLocaledef, "-i", "de_DE", "-f", "ISO-8859-1", locales.path() + "/de_DE.ISO-8859-1"}).ok() == false) {
    GTEST_SKIP() << "needs localedef and the locale sources (Debian package locales)";
  }
  startFrom(std::string(kOtherQueue));
  // glibc keeps the list of LOCPATH's folders for good, which the leak
  // checker of a sanitizer build would count against the print program.
  writeText(locales.path() + "/locpath.supp", kLocalePathLeak);
  const char* leakOptions = std::getenv("LSAN_OPTIONS");
  test::ScopedEnv leaks("LSAN_OPTIONS", std::string(leakOptions ? leakOptions + std::string(":") : "") +
                                            "suppressions=" + locales.path() + "/locpath.supp");
  test::ScopedEnv localePath("LOCPATH", locales.path());
  test::ScopedEnv locale("LC_ALL", std::string("de_DE.ISO-8859-1"));
  ASSERT_EQ(exporting::TextEncoding::ofUserLocale().codeSet(), "ISO-8859-1");

  test::TableData data{{"Nummer", "Größe", "Straße", "Stadt", "Bemerkung", "Datum", "Betrag", "Land", "Kunde"}, {}};
  for (int n = 1; n <= 90; ++n) {
    data.rows.push_back({std::to_string(n), "groß " + std::to_string(n), "Hauptstraße " + std::to_string(n), "Köln",
                         "Lieferung über Düsseldorf, bitte vorher anrufen", "2024-03-01", std::to_string(n * 7) + ".50",
                         "Österreich", "Müller & Söhne"});
  }
  std::string written;
  const PrintedPdf pdf = exportAsPdf(
      [&](const std::string& path) {
        test::TableGrid grid(data);
        Status status = exporting::writeTxt(grid, path);
        written = readText(path);
        return status;
      },
      "Kunden über alles");
  ASSERT_NE(written.find("Gr\xF6\xDF"
                         "e"),
            std::string::npos)
      << "the file is not in ISO-8859-1";
  EXPECT_TRUE(pdf.shownInLandscape()) << pdf.info;
  EXPECT_EQ(pdf.file.filename().string().find("Kunden"), 0u) << pdf.file;
  ASSERT_GT(pdf.pages.size(), 1u);
  size_t rowLines = 0;
  for (size_t p = 0; p < pdf.pages.size(); ++p) {
    const std::string& page = pdf.pages[p];
    EXPECT_NE(page.find("Kunden über alles"), std::string::npos) << page;
    EXPECT_NE(withoutBlanks(page).find("NummerGrößeStraßeStadtBemerkungDatumBetragLandKunde"), std::string::npos)
        << page;
    EXPECT_NE(page.find("Page " + std::to_string(p + 1) + " of " + std::to_string(pdf.pages.size())), std::string::npos)
        << page;
    for (const std::string& line : linesOf(page)) {
      if (line.find("Köln") == std::string::npos) continue;
      ++rowLines;
      EXPECT_NE(line.find("Lieferung über Düsseldorf, bitte vorher anrufen"), std::string::npos) << line;
      EXPECT_NE(line.find("Österreich   Müller & Söhne"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(rowLines, 90u);  // every row once, on one line
}

}  // namespace
}  // namespace ledgerfen::pdf

// The same for this program, which reads the locale's code set too.
extern "C" const char* __lsan_default_suppressions() {
  return ledgerfen::pdf::kLocalePathLeak;
}

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
