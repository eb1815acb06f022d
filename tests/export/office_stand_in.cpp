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

OfficeStandIn::OfficeStandIn(const std::string& folder) : folder_(folder), program_(folder + "/office-stand-in") {
  std::ofstream(program_) << "#!/bin/sh\n"
                          << "cp \"$3\" '" << copy() << "'\n"
                          << "printf '%s\\n' \"$@\" > '" << folder_ << "/arguments.part'\n"
                          << "mv '" << folder_ << "/arguments.part' '" << folder_ << "/arguments'\n";
  chmod(program_.c_str(), 0755);
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
  std::vector<std::vector<std::string>> kinds;
  const std::regex cell(R"re(<gnm:Cell Row="(\d+)" Col="(\d+)" ValueType="(\d+)")re");
  const std::string text = readFileText(xml);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), cell); it != std::sregex_iterator(); ++it) {
    const size_t row = std::stoul((*it)[1]), column = std::stoul((*it)[2]);
    const int type = std::stoi((*it)[3]);
    if (kinds.size() <= row) kinds.resize(row + 1);
    if (kinds[row].size() <= column) kinds[row].resize(column + 1);
    kinds[row][column] = type == 40 ? "number" : type == 60 ? "text" : "type " + std::to_string(type);
  }
  return kinds;
}

}  // namespace ledgerfen::test
