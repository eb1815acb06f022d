// The program's windows and the services they share, wired together. main
// hands in the real platform services; tests hand in fakes.
#pragma once

#include <memory>
#include <string>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/editor/form2.h"
#include "ledgerfen/shell/form1.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::app {

struct Platform {
  shell::MessageBoxes& messageBoxes;
  shell::FileDialogs& fileDialogs;
  shell::WebBrowser& browser;
  shell::SettingsStore& settings;
  const data::PathProbe& paths;
  shell::ProgramControl& program;
  shell::PdfPrinterCheck& pdfPrinter;
  data::DataEngine& engine;
  std::string programFolder;
};

class Program {
 public:
  // `tableForward` is what "Next >" on the table page does (null: nothing yet).
  explicit Program(const Platform& platform, editor::TablePageForward* tableForward = nullptr);
  ~Program();

  // Loads the database page, whose load handler is the start-up sequence,
  // and shows it unless the start-up ended the program or moved on.
  void start();

  shell::Form1& form1() { return *form1_; }
  // The table page, or null while it has not been loaded.
  editor::Form2* form2() { return form2_.get(); }
  shell::MessageService& messages() { return messages_; }

 private:
  editor::Form2& loadForm2();

  Platform platform_;
  editor::TablePageForward* tableForward_;
  shell::MessageService messages_;
  shell::ErrorReporter errors_;
  shell::WindowServices window_;
  std::unique_ptr<shell::Form1> form1_;
  std::unique_ptr<editor::Form2> form2_;
};

}  // namespace ledgerfen::app
