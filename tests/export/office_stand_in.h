// An office program for tests: a script that keeps a copy of the file it
// is asked to open, and the arguments it was given, then ends, or first
// writes an error and fails, or keeps running for a while as a started
// office does.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace ledgerfen::test {

class OfficeStandIn {
 public:
  struct Behaviour {
    int exitCode = 0;
    std::string errorOutput;  // written to standard error
    double runSeconds = 0;    // how long it runs after taking the copy
  };

  explicit OfficeStandIn(const std::string& folder) : OfficeStandIn(folder, Behaviour{}) {}
  OfficeStandIn(const std::string& folder, const Behaviour& behaviour);

  const std::string& program() const { return program_; }
  // Waits until the script has run; false after `timeout`.
  bool waitForCopy(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  std::vector<std::string> arguments() const;
  // Whether the script has ended.
  bool ended() const;
  // The copy of the workbook the script was given.
  std::string copy() const { return folder_ + "/received.xlsx"; }
  // The XML of the first sheet of that workbook.
  std::string sheetXml() const;

  static bool waitUntilGone(const std::string& path, std::chrono::milliseconds timeout = std::chrono::seconds(20));

 private:
  std::string folder_;
  std::string program_;
};

// The cells of a workbook as Gnumeric's ssconvert shows them (in their
// number formats, a minus sign as "-"), row by row; nullopt when ssconvert
// is not installed or fails.
std::optional<std::vector<std::vector<std::string>>> readWorkbook(const std::string& path);
// What each cell holds as ssconvert reads it: "number", "date" (a number
// in a format with a year), "boolean", "text", or "" where a row has no
// cell; nullopt as above.
std::optional<std::vector<std::vector<std::string>>> readWorkbookCellKinds(const std::string& path);

}  // namespace ledgerfen::test
