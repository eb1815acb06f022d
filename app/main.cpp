// ledgerfen: the desktop program. Wires the Qt and Linux services into the
// windows and runs the start-up sequence.
//
//   ledgerfen [FILE]
//
// FILE (a path, or a file:// address as file managers may pass) is opened
// at start-up as if it had been typed on the database page.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "desktop_exports.h"
#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/export/calc_spreadsheet.h"
#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/pdf/cups_printing_system.h"
#include "ledgerfen/pdf/pdf_printer_check.h"
#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/qt_platform.h"
#include "ledgerfen/shell/settings_store.h"
#include "program.h"

namespace {

// The database file named on the command line, as an absolute path; empty
// when none is named. Ends the program for --help and --version.
std::string fileToOpen(const QApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Opens, edits and exports Microsoft Access databases."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The database to open (.mdb or .accdb)."),
                               QStringLiteral("[FILE]"));
  parser.process(application);
  const QStringList files = parser.positionalArguments();
  if (files.isEmpty()) return {};
  QString file = files.first();
  if (file.startsWith(QStringLiteral("file:"))) file = QUrl(file).toLocalFile();
  return QFileInfo(file).absoluteFilePath().toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ledgerfen;
  QApplication application(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(LEDGERFEN_VERSION));
  const std::string file = fileToOpen(application);
  // Workbooks that a run ended too early to clean up after.
  exporting::removeLeftoverWorkbooks();
  // Closing any window ends the program through its own close handler.
  application.setQuitOnLastWindowClosed(false);
  application.setWindowIcon(shell::applicationIcon());

  shell::QtMessageBoxes messageBoxes;
  shell::QtFileDialogs fileDialogs;
  shell::QtWebBrowser browser;
  shell::IniSettingsStore settings(
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString());
  data::FileSystemProbe paths;
  shell::QtProgramControl control;
  pdf::CupsPrintingSystem printers;
  pdf::PdfPrinterInstalledCheck pdfPrinter(printers, messageBoxes);
  data::BuiltInEngine engine;

  exporting::PosixProcessLauncher processes;
  exporting::LinuxTemporaryFiles temporaryFiles;
  pdf::QtPendingEvents events;
  const pdf::PrintingServices printing{printers, processes, temporaryFiles, events};
  app::ExportCommandsFactory exports = [&printing](editor::TableEditorWindow& editor, shell::WindowServices& window) {
    return std::make_unique<app::DesktopExports>(editor, window, printing);
  };

  app::Program program({messageBoxes, fileDialogs, browser, settings, paths, control, pdfPrinter, engine,
                        QCoreApplication::applicationDirPath().toStdString(), exports});
  program.start(file);
  if (control.ended()) return 0;
  return application.exec();
}
