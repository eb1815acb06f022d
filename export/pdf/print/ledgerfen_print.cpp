// ledgerfen-print: prints a table, exported as tab-separated text, on a
// printer.
//
//     ledgerfen-print [-d PRINTER] [-t TITLE] /p FILE
//
// The PDF export starts it with the file it wrote, the PDF printer's queue
// and the table's name. The file is in the code set of the locale the
// environment names, as the TXT export writes it; it is read back into its
// captions and rows and laid out in pages here (table_pages.h), as UTF-8
// text, which CUPS's text filter draws in monospaced cells, so the PDF keeps
// text that can be searched and copied.
//
// The job goes to PRINTER ("queue" or "queue/instance") by name; only
// without -d does it go to the default printer (LPDEST, PRINTER, the
// user's lpoptions, the server's default, as lp chooses). It carries the
// printer's options from the user's lpoptions, as lp would send them, and is
// named TITLE (the file's own name without -t): the PDF printer names its
// file after it. The paper is the printer's default paper (or the PageSize
// the user chose for it); the layout decides the orientation, the
// characters per inch and the margins itself. A table printed across the
// paper goes out on a page as long as the paper is wide, so that a viewer
// shows the PDF's pages the right way up.
//
// The program ends as soon as CUPS has taken the job: exit code 0 (the job
// is written to standard output as QUEUE-ID), or 1 with one line on
// standard error saying why not (2 for a wrong command line).
#include <cups/cups.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "ledgerfen/export/text_encoding.h"
#include "ledgerfen/pdf/table_pages.h"

namespace {

using ledgerfen::exporting::TextEncoding;
using ledgerfen::pdf::Paper;
using ledgerfen::pdf::PrintedPages;

constexpr int kUsageError = 2;
constexpr int kPrintFailed = 1;
constexpr const char* kUsage = "usage: ledgerfen-print [-d PRINTER] [-t TITLE] /p FILE\n";

// Options of the user's that would move lines and pages away from where
// the layout put them. (The layout's own options replace the user's values
// of the others it sets.)
constexpr const char* kLayoutOptions[] = {"landscape", "prettyprint", "columns", "wrap"};

// Paper whose size the printer does not say: what A4 and US Letter share.
constexpr Paper kAnyCommonPaper{595.0, 792.0, 36.0};

struct CommandLine {
  std::optional<std::string> printer;
  std::optional<std::string> title;
  std::string file;
};

std::optional<CommandLine> parseCommandLine(int argc, char** argv) {
  CommandLine command;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (i + 1 >= argc) return std::nullopt;
    const std::string value = argv[++i];
    if (argument == "-d" && !command.printer && !value.empty()) {
      command.printer = value;
    } else if (argument == "-t" && !command.title) {
      command.title = value;
    } else if (argument == "/p" && i + 1 == argc) {
      command.file = value;
      return command;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "ledgerfen-print: %s\n", message.c_str());
  return kPrintFailed;
}

std::string lastCupsError() {
  const char* text = cupsLastErrorString();
  return text && *text ? text : "error " + std::to_string(static_cast<int>(cupsLastError()));
}

// The file's own name, the job's title when none is given.
std::string baseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The bytes of a regular file that this user can read; empty with `why`
// set when there are none.
std::optional<std::string> readFile(const std::string& path, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  struct stat info;
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  std::string bytes;
  if (regular) {
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, size_t(got));
    if (got < 0) why = std::strerror(errno);
  } else {
    why = "not a file";
  }
  ::close(fd);
  if (!why.empty()) return std::nullopt;
  return bytes;
}

// Text in the encoding as UTF-8. A byte sequence that is no character of
// the encoding becomes "?" (the layout does the same for UTF-8).
std::string toUtf8(std::string bytes, const TextEncoding& encoding) {
  if (encoding.isUtf8()) return bytes;
  iconv_t converter = iconv_open("UTF-8", encoding.codeSet().c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  char buffer[4096];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    const size_t done = iconv(converter, &in, &inLeft, &to, &toLeft);
    out.append(buffer, size_t(to - buffer));
    if (done != size_t(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut off at the end.
    out += '?';
    ++in;
    --inLeft;
  }
  iconv_close(converter);
  return out;
}

// The paper the printer uses: the PageSize or media the user chose for it,
// else its default media; margins of half an inch, or the printer's own
// when wider. Paper the printer does not describe is taken to be what A4
// and US Letter share.
Paper paperOf(cups_dest_t* dest) {
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  if (!info) return kAnyCommonPaper;
  std::string media;
  for (const char* option : {"PageSize", CUPS_MEDIA}) {
    if (const char* chosen = cupsGetOption(option, dest->num_options, dest->options)) {
      media = chosen;
      break;
    }
  }
  if (media.empty()) {
    if (ipp_attribute_t* fallback = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA)) {
      if (const char* name = ippGetString(fallback, 0, nullptr)) media = name;
    }
  }
  cups_size_t size{};
  const bool found = !media.empty() && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, media.c_str(),
                                                              CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
  cupsFreeDestInfo(info);
  if (!found || size.width <= 0 || size.length <= 0) return kAnyCommonPaper;
  const auto points = [](int hundredthsOfMillimetre) { return hundredthsOfMillimetre * 72.0 / 2540.0; };
  Paper paper;
  paper.width = std::min(points(size.width), points(size.length));
  paper.length = std::max(points(size.width), points(size.length));
  paper.margin = std::max({36.0, points(size.left), points(size.right), points(size.top), points(size.bottom)});
  return paper;
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The printer's options as lp sends them, with the layout's own in place
// of the user's, and the text's format.
int jobOptions(const cups_dest_t& dest, const PrintedPages& printed, const Paper& paper, cups_option_t** options) {
  int count = 0;
  for (int i = 0; i < dest.num_options; ++i) {
    const char* name = dest.options[i].name;
    const bool layouts = std::any_of(std::begin(kLayoutOptions), std::end(kLayoutOptions),
                                     [&](const char* own) { return std::strcmp(own, name) == 0; });
    if (!layouts) count = cupsAddOption(name, dest.options[i].value, count, options);
  }
  count = cupsAddOption("cpi", number(printed.setup.charactersPerInch).c_str(), count, options);
  count = cupsAddOption("lpi", number(printed.setup.linesPerInch).c_str(), count, options);
  for (const char* side : {"page-left", "page-right", "page-top", "page-bottom"}) {
    count = cupsAddOption(side, number(paper.margin).c_str(), count, options);
  }
  count = cupsAddOption("orientation-requested", "3", count, options);
  if (printed.setup.landscape) {
    const std::string turned = "Custom." + number(paper.length) + "x" + number(paper.width);
    count = cupsAddOption("PageSize", turned.c_str(), count, options);
    count = cupsAddOption("media", turned.c_str(), count, options);
  }
  // cups-pdf names its file after the job's title, not after the title the
  // PostScript it is given carries (which it mangles when it is in
  // parentheses); other printers ignore the option.
  count = cupsAddOption("TitlePref", "1", count, options);
  return count;
}

// Sends the pages as one job; its number, or 0 with CUPS's error.
int printPages(const cups_dest_t& dest, const std::string& title, const PrintedPages& printed, const Paper& paper) {
  cups_option_t* options = nullptr;
  const int optionCount = jobOptions(dest, printed, paper, &options);
  const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, dest.name, title.c_str(), optionCount, options);
  cupsFreeOptions(optionCount, options);
  if (job == 0) return 0;
  bool sent =
      cupsStartDocument(CUPS_HTTP_DEFAULT, dest.name, job, title.c_str(), CUPS_FORMAT_TEXT, 1) == HTTP_STATUS_CONTINUE;
  constexpr size_t kChunk = 65536;
  for (size_t at = 0; sent && at < printed.text.size(); at += kChunk) {
    const size_t length = std::min(kChunk, printed.text.size() - at);
    sent = cupsWriteRequestData(CUPS_HTTP_DEFAULT, printed.text.data() + at, length) == HTTP_STATUS_CONTINUE;
  }
  if (cupsFinishDocument(CUPS_HTTP_DEFAULT, dest.name) != IPP_STATUS_OK) sent = false;
  if (sent) return job;
  const std::string why = lastCupsError();
  cupsCancelJob2(CUPS_HTTP_DEFAULT, dest.name, job, 0);
  // The cancellation's answer must not hide why the job failed.
  std::fprintf(stderr, "ledgerfen-print: %s: %s\n", dest.name, why.c_str());
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<CommandLine> command = parseCommandLine(argc, argv);
  if (!command) {
    std::fputs(kUsage, stderr);
    return kUsageError;
  }
  std::string why;
  std::optional<std::string> bytes = readFile(command->file, why);
  if (!bytes) return fail("cannot read " + command->file + ": " + why);

  cups_dest_t* dest = nullptr;
  if (command->printer) {
    const size_t slash = command->printer->find('/');
    const std::string queue = command->printer->substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : command->printer->substr(slash + 1);
    dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), instance.empty() ? nullptr : instance.c_str());
    if (!dest) return fail("the printer " + *command->printer + " cannot be used: " + lastCupsError());
  } else {
    dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest) return fail("no default printer: " + lastCupsError());
  }

  const std::string title = command->title ? *command->title : baseName(command->file);
  const std::string text = toUtf8(std::move(*bytes), TextEncoding::ofUserLocale());
  const Paper paper = paperOf(dest);
  const PrintedPages printed = ledgerfen::pdf::layOutPages(ledgerfen::pdf::ExportedText(text), title, paper);

  const std::string printer = dest->name;
  const int job = printPages(*dest, title, printed, paper);
  cupsFreeDests(1, dest);
  if (job < 0) return kPrintFailed;
  if (job == 0) return fail(printer + ": " + lastCupsError());
  std::printf("%s-%d\n", printer.c_str(), job);
  return 0;
}
