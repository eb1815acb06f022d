#include "office_stand_in.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "support/fixtures.h"

namespace ledgerfen::test {
namespace {

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// RFC 4180 fields, as ssconvert writes them.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

OfficeStandIn::OfficeStandIn(const std::string& folder, const Behaviour& behaviour)
    : folder_(folder), program_(folder + "/office-stand-in") {
  std::ofstream script(program_);
  script << "#!/bin/sh\n"
         << "cp \"$3\" '" << copy() << "'\n"
         << "printf '%s\\n' \"$@\" > '" << folder_ << "/arguments.part'\n"
         << "mv '" << folder_ << "/arguments.part' '" << folder_ << "/arguments'\n";
  if (!behaviour.errorOutput.empty()) {
    std::ofstream(folder_ + "/error-output") << behaviour.errorOutput;
    script << "cat '" << folder_ << "/error-output' >&2\n";
  }
  if (behaviour.runSeconds > 0) script << "sleep " << behaviour.runSeconds << "\n";
  script << ": > '" << folder_ << "/ended'\n"
         << "exit " << behaviour.exitCode << "\n";
  script.close();
  chmod(program_.c_str(), 0755);
}

bool OfficeStandIn::ended() const {
  return std::filesystem::exists(folder_ + "/ended");
}

bool OfficeStandIn::waitForCopy(std::chrono::milliseconds timeout) const {
  return waitFor([&] { return std::filesystem::exists(folder_ + "/arguments"); }, timeout);
}

std::vector<std::string> OfficeStandIn::arguments() const {
  std::vector<std::string> lines;
  std::istringstream in(readFileText(folder_ + "/arguments"));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string OfficeStandIn::sheetXml() const {
  const std::string out = folder_ + "/sheet1.xml";
  const std::string command =
      "python3 -c \"import sys, zipfile; sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read("
      "'xl/worksheets/sheet1.xml').decode())\" '" +
      copy() + "' > '" + out + "'";
  if (std::system(command.c_str()) != 0) return {};
  return readFileText(out);
}

bool OfficeStandIn::waitUntilGone(const std::string& path, std::chrono::milliseconds timeout) {
  return waitFor([&] { return !std::filesystem::exists(path); }, timeout);
}

std::optional<std::vector<std::vector<std::string>>> readWorkbook(const std::string& path) {
  const std::string csv = path + ".csv";
  const std::string command = "ssconvert --export-type=Gnumeric_stf:stf_assistant -O 'separator=, format=preserve' '" +
                              path + "' '" + csv + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0 || !std::filesystem::exists(csv)) return std::nullopt;
  // Gnumeric shows a negative number with the minus sign U+2212, where Calc
  // and the grid show a hyphen.
  std::string text = readFileText(csv);
  for (size_t at = text.find("\u2212"); at != std::string::npos; at = text.find("\u2212", at)) {
    text.replace(at, std::strlen("\u2212"), "-");
  }
  return parseCsv(text);
}

std::optional<std::vector<std::vector<std::string>>> readWorkbookCellKinds(const std::string& path) {
  const std::string xml = path + ".gnumeric.xml";
  const std::string command = "ssconvert --export-type=Gnumeric_XmlIO:sax '" + path + "' '" + path +
                              ".gnumeric' 2>/dev/null && zcat -f '" + path + ".gnumeric' > '" + xml + "'";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  const std::string text = readFileText(xml);
  // The number format of each region of the sheet; a number shown in a
  // format with a year is a date.
  struct Region {
    size_t firstColumn, firstRow, lastColumn, lastRow;
    bool date;
  };
  std::vector<Region> regions;
  const std::regex region(
      R"re(<gnm:StyleRegion startCol="(\d+)" startRow="(\d+)" endCol="(\d+)" endRow="(\d+)">\s*<gnm:Style [^>]*Format="([^"]*)")re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), region); it != std::sregex_iterator(); ++it) {
    regions.push_back({std::stoul((*it)[1]), std::stoul((*it)[2]), std::stoul((*it)[3]), std::stoul((*it)[4]),
                       (*it)[5].str().find("yy") != std::string::npos});
  }
  const auto isDate = [&](size_t row, size_t column) {
    for (const Region& r : regions) {
      if (row >= r.firstRow && row <= r.lastRow && column >= r.firstColumn && column <= r.lastColumn) return r.date;
    }
    return false;
  };
  std::vector<std::vector<std::string>> kinds;
  const std::regex cell(R"re(<gnm:Cell Row="(\d+)" Col="(\d+)" ValueType="(\d+)")re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), cell); it != std::sregex_iterator(); ++it) {
    const size_t row = std::stoul((*it)[1]), column = std::stoul((*it)[2]);
    const int type = std::stoi((*it)[3]);
    if (kinds.size() <= row) kinds.resize(row + 1);
    if (kinds[row].size() <= column) kinds[row].resize(column + 1);
    kinds[row][column] = type == 40   ? (isDate(row, column) ? "date" : "number")
                         : type == 60 ? "text"
                         : type == 20 ? "boolean"
                                      : "type " + std::to_string(type);
  }
  return kinds;
}

}  // namespace ledgerfen::test
