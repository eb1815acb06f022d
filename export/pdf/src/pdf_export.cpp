#include "ledgerfen/pdf/pdf_export.h"

#include <QCoreApplication>

#include "ledgerfen/pdf/print_program.h"
#include "ledgerfen/shell/error_report.h"

namespace ledgerfen::pdf {
namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

void QtPendingEvents::runOnce() {
  QCoreApplication::processEvents();
}

PdfExport::PdfExport(shell::WindowServices& window, const PrintingServices& printing, GridTextWriter writeGridText,
                     TableNameReader tableName, std::chrono::milliseconds printTimeout)
    : window_(window),
      printing_(printing),
      printers_(printing.printers, window.messages),
      writeGridText_(std::move(writeGridText)),
      tableName_(std::move(tableName)),
      printTimeout_(printTimeout) {}

PdfExport::PdfExport(shell::WindowServices& window, const PrintingServices& printing, GridTextWriter writeGridText,
                     std::chrono::milliseconds printTimeout)
    : PdfExport(window, printing, std::move(writeGridText), TableNameReader(), printTimeout) {}

void PdfExport::run() {
  shell::TrappedHandler h(window_.errors, shell::kTableEditorReports.exportPdf);
  std::string folder;
  std::string path;
  UserDefault previous;
  std::string pdfPrinter;
  std::vector<std::string> command;
  bool switched = false;

  h.step(100, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(folder, printing_.files.makePrivateFolder());
    path = folder + "/" + std::string(kTemporaryFileName);
    return okStatus();
  });
  h.step(102, [&] { return writeGridText_(path); });
  if (!h.test(104, [&] { return printing_.files.fileExists(path); })) {
    if (!folder.empty()) (void)printing_.files.removeFolder(folder);
    return;
  }
  // Without the user's own default the switch could not be undone, so the
  // printers are left alone.
  const bool previousKnown = h.step(106, [&]() -> Status {
    std::optional<UserDefault> saved = printers_.saveUserDefault();
    if (!saved) return Error(ErrorKind::NotFound, std::string(kPreviousPrinterUnknown));
    previous = *saved;
    return okStatus();
  });
  if (previousKnown) {
    h.step(108, [&]() -> Status {
      PrintingResult<std::vector<PrinterQueue>> listed = printing_.printers.destinations();
      if (!listed.ok()) return Error(ErrorKind::Io, std::string(kPrintersUnknown) + listed.failure().description);
      const std::optional<PrinterQueue> queue = resolvePrinter(listed.value(), kPdfPrinterName);
      if (!queue) return okStatus();
      pdfPrinter = queue->destinationName();
      switched = printing_.printers.setUserDefault(pdfPrinter).ok();
      return okStatus();
    });
  }
  if (switched) {
    h.step(110, [&] {
      std::string title = tableName_ ? tableName_() : std::string();
      if (title.empty()) title = kUnnamedTable;
      command = {printProgramPath(window_.programFolder), "-d", pdfPrinter, "-t", title, "/p", path};
    });
    h.step(112, [&] { return runPrintProgram(command); });
  }
  h.step(114, [&] {
    removeFile(path);
    if (!folder.empty()) (void)printing_.files.removeFolder(folder);
  });
  // Only a switch is undone: nothing else touched the user's options.
  if (switched) {
    h.step(116, [&] { return printers_.restore(previous); });
  }
}

void PdfExport::removeFile(const std::string& path) {
  printing_.events.runOnce();
  if (printing_.files.deleteFile(path).ok()) return;
  (void)forceDeleteFile(path);
}

Status PdfExport::forceDeleteFile(const std::string& path) {
  return printing_.files.forceDeleteFile(path);
}

Status PdfExport::runPrintProgram(const std::vector<std::string>& arguments) {
  LF_ASSIGN_OR_RETURN(exporting::ProcessEnd end, printing_.processes.runAndWait(arguments, printTimeout_));
  if (end.exitCode == 0) return okStatus();
  std::string message = trimmed(end.errorOutput);
  if (message.empty()) message = "The print program ended with exit code " + std::to_string(end.exitCode) + ".";
  return Error(ErrorKind::Io, message);
}

}  // namespace ledgerfen::pdf
