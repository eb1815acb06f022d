// The whole program over fake platform services, with a program folder of
// its own (a temporary folder) and the real file test and engine.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>

#include "fakes.h"
#include "ledgerfen/data/path_probe.h"
#include "program.h"

namespace ledgerfen::test {

struct Harness {
  QTemporaryDir programFolder;
  FakeMessageBoxes messageBoxes;
  FakeFileDialogs fileDialogs;
  FakeWebBrowser browser;
  MemorySettings settings;
  data::FileSystemProbe paths;
  FakeProgramControl control;
  FakePdfPrinterCheck pdfPrinter;
  ScriptedEngine engine;
  shell::TableOpener* tableOpener = nullptr;
  app::ExportCommandsFactory exports;
  std::unique_ptr<app::Program> program;

  Harness();
  ~Harness();

  // Builds the program (a new run over the same settings) and starts it,
  // as if `fileToOpen` had been named on the command line.
  app::Program& start(const std::string& fileToOpen = {});
  // A new run: the windows of the last one go, the settings stay.
  app::Program& restart();

  shell::DatabasePage& databasePage() { return program->databasePage(); }
  shell::TablePage* tablePage() { return program->tablePage(); }
  editor::TableEditorWindow* tableEditor() { return program->tableEditor(); }

  std::string folder() const { return programFolder.path().toStdString(); }
  // Writes a file into the program folder (creating sub-folders).
  void writeProgramFile(const std::string& name, const std::string& bytes);
};

// The widgets that Tab visits, in order, starting from `first`.
QList<QWidget*> tabOrderFrom(QWidget* first);

// A cursor file of one 32 × 32 image with the given hot spot.
std::string makeCursorFile(uint16_t hotX, uint16_t hotY);

// The report the error dialog shows for a failure of a handler.
std::string reportText(const std::string& description, const std::string& window, const std::string& handler, int line);

}  // namespace ledgerfen::test
