// Fakes of the platform services for driving the windows in tests: they
// record what the program asked for and answer as the test scripted.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/shell/platform.h"

namespace ledgerfen::test {

class FakeMessageBoxes final : public shell::MessageBoxes {
 public:
  std::vector<shell::MessageRequest> shown;
  // Answers to Yes/No boxes, in order; Yes when none is left.
  std::deque<shell::MessageAnswer> yesNoAnswers;

  shell::MessageAnswer show(const shell::MessageRequest& request) override;
  // The texts shown, in order.
  std::vector<std::string> texts() const;
};

class FakeFileDialogs final : public shell::FileDialogs {
 public:
  std::vector<shell::OpenFileRequest> requests;
  std::string answer;  // empty: the user cancels

  std::string getOpenFileName(const shell::OpenFileRequest& request) override {
    requests.push_back(request);
    return answer;
  }
};

class FakeWebBrowser final : public shell::WebBrowser {
 public:
  std::vector<std::string> opened;
  void openAddress(const std::string& address) override { opened.push_back(address); }
};

// A settings store in memory that keeps every save in order.
class MemorySettings final : public shell::SettingsStore {
 public:
  using Key = std::tuple<std::string, std::string, std::string>;
  std::map<Key, std::string> values;
  std::vector<std::pair<std::string, std::string>> saves;  // key, text
  mutable int reads = 0;

  std::string getSetting(const std::string& application, const std::string& section,
                         const std::string& key) const override;
  Status saveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override;
  // The value under the program's own application and section.
  std::string value(const std::string& key) const;
  void preset(const std::string& key, const std::string& text);
};

class FakeProgramControl final : public shell::ProgramControl {
 public:
  int endCalls = 0;
  void endProgram() override { ++endCalls; }
  bool ended() const override { return endCalls > 0; }
};

class FakePdfPrinterCheck final : public shell::PdfPrinterCheck {
 public:
  int calls = 0;
  std::string failure;  // non-empty: the check fails with this description
  Status checkInstalled() override {
    ++calls;
    if (!failure.empty()) return Error(ErrorKind::Io, failure);
    return okStatus();
  }
};

// The built-in engine, or one whose provider cannot be found, from the
// start or from the n-th connection on.
class ScriptedEngine final : public data::DataEngine {
 public:
  bool providerMissing = false;
  int missingFromConnection = 0;  // 0: never
  int connectionsMade = 0;
  data::NewConnection createConnection() override;
};

}  // namespace ledgerfen::test
