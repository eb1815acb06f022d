// ledgerfen-print: prints a text file on the user's default printer.
//
//     ledgerfen-print /p FILE
//
// The PDF export starts it with the file it wrote. The file goes to CUPS as
// plain text, so CUPS's own text filter lays it out in pages, with the
// options the user set for the printer (lpoptions), as lp would send it. The
// program ends as soon as CUPS has accepted the job: exit code 0, or 1 with
// one line on standard error saying why not (2 for a wrong command line).
#include <cups/cups.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kUsageError = 2;
constexpr int kPrintFailed = 1;

int fail(const std::string& message) {
  std::fprintf(stderr, "ledgerfen-print: %s\n", message.c_str());
  return kPrintFailed;
}

std::string lastCupsError() {
  const char* text = cupsLastErrorString();
  return text && *text ? text : "error " + std::to_string(static_cast<int>(cupsLastError()));
}

// The file's own name, the title of the job.
std::string baseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A regular file that this user can read.
bool readableFile(const std::string& path, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  struct stat info;
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  ::close(fd);
  if (!regular) why = "not a file";
  return regular;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "/p") != 0) {
    std::fprintf(stderr, "usage: ledgerfen-print /p FILE\n");
    return kUsageError;
  }
  const std::string file = argv[2];
  std::string why;
  if (!readableFile(file, why)) return fail("cannot read " + file + ": " + why);

  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  if (!dest) return fail("no default printer: " + lastCupsError());

  // The user's options for the destination, as lp sends them, and the
  // document's format, so that CUPS lays the text out itself.
  cups_option_t* options = nullptr;
  int optionCount = 0;
  for (int i = 0; i < dest->num_options; ++i) {
    optionCount = cupsAddOption(dest->options[i].name, dest->options[i].value, optionCount, &options);
  }
  optionCount = cupsAddOption("document-format", CUPS_FORMAT_TEXT, optionCount, &options);

  const std::string printer = dest->name;
  const int job =
      cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.c_str(), file.c_str(), baseName(file).c_str(), optionCount, options);
  cupsFreeOptions(optionCount, options);
  cupsFreeDests(1, dest);
  if (job == 0) return fail(printer + ": " + lastCupsError());
  std::printf("%s-%d\n", printer.c_str(), job);
  return 0;
}
