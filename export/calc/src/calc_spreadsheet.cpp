#include "ledgerfen/export/calc_spreadsheet.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <vector>

#include "ledgerfen/export/process_launcher.h"
#include "ledgerfen/export/temporary_files.h"
#include "ledgerfen/export/text_encoding.h"

namespace ledgerfen::exporting {
namespace {

constexpr std::string_view kFilePrefix = "ledgerfen-export-";
constexpr std::string_view kFileSuffix = ".xlsx";
constexpr time_t kLeftoverAge = 60;  // seconds
// The shell that opens a workbook in Calc ends at once, leaving Calc running.
constexpr std::chrono::milliseconds kShellTimeout{30'000};

bool isFolder(const char* path) {
  struct stat s {};
  return path && *path && stat(path, &s) == 0 && S_ISDIR(s.st_mode);
}

std::string cellName(int32_t row, int32_t column) {
  return "row " + std::to_string(row) + ", column " + std::to_string(column);
}

// Characters of the longest line of the text (CR not counted).
size_t longestLine(std::string_view text) {
  size_t longest = 0, current = 0;
  for (char c : text) {
    if (c == '\n') {
      longest = std::max(longest, current);
      current = 0;
    } else if (c != '\r' && (static_cast<uint8_t>(c) & 0xC0) != 0x80) {
      ++current;
    }
  }
  return std::max(longest, current);
}

// Characters as a spreadsheet counts them: UTF-16 code units.
size_t utf16Length(std::string_view text) {
  size_t units = 0;
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Spreadsheets read "_x" + four hex digits + "_" in a text as the escape of
// one character (libxlsxwriter writes control characters so). A text that
// holds such a sequence itself keeps it by escaping its underscore as
// _x005F_.
std::string escapeEscapes(std::string text) {
  const auto escapeAt = [&](size_t i) {
    if (text.compare(i, 2, "_x") != 0 || i + 6 >= text.size() || text[i + 6] != '_') return false;
    for (size_t k = i + 2; k < i + 6; ++k) {
      if (!isHexDigit(text[k])) return false;
    }
    return true;
  };
  for (size_t i = text.find("_x"); i != std::string::npos; i = text.find("_x", i + 1)) {
    if (!escapeAt(i)) continue;
    text.replace(i, 1, "_x005F_");
    i += 6;
  }
  return text;
}

// One workbook with one sheet, written by libxlsxwriter in its
// constant-memory mode: rows go to a temporary file as they come, in
// ascending order, so memory stays flat whatever the size of the table.
class XlsxWorkbook final : public SpreadsheetWorkbook {
 public:
  static Result<std::unique_ptr<XlsxWorkbook>> create(const std::string& folder) {
    // The file is made private; libxlsxwriter later writes it again under
    // the same name and so keeps its mode.
    LF_ASSIGN_OR_RETURN(std::string path, makePrivateFile(folder, kFilePrefix, kFileSuffix, "a workbook file"));
    auto workbook = std::unique_ptr<XlsxWorkbook>(new XlsxWorkbook(path, folder));
    if (!workbook->workbook_ || !workbook->sheet_) return Error(ErrorKind::Io, "Cannot start a workbook in " + path);
    return workbook;
  }

  ~XlsxWorkbook() override {
    if (workbook_) lxw_workbook_free(workbook_);
    if (!handedOver_) unlink(path_.c_str());
  }

  Status setCell(int32_t row, int32_t column, std::string_view text) override {
    if (row < 1 || row > kSheetLastRow || column < 1 || column > kSheetLastColumn) {
      return Error(ErrorKind::InvalidArgument, "The cell at " + cellName(row, column) + " lies outside a sheet (" +
                                                   std::to_string(kSheetLastRow) + " rows, " +
                                                   std::to_string(kSheetLastColumn) + " columns).");
    }
    if (!workbook_) return Error(ErrorKind::InvalidArgument, "The workbook has been shown and takes no more cells.");
    if (utf16Length(text) > kCellTextLimit) {
      return Error(ErrorKind::Constraint, "The text for the cell at " + cellName(row, column) + " has " +
                                              std::to_string(utf16Length(text)) + " characters; a cell holds " +
                                              std::to_string(kCellTextLimit) + " at most.");
    }
    std::string value(text);
    replaceInvalidUtf8(value);
    const lxw_error error = worksheet_write_string(sheet_, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                                   escapeEscapes(value).c_str(), nullptr);
    if (error != LXW_NO_ERROR) {
      return Error(ErrorKind::Io, "The cell at " + cellName(row, column) + " cannot be set: " + lxw_strerror(error));
    }
    if (widths_.size() < size_t(column)) widths_.resize(size_t(column), 0);
    widths_[size_t(column - 1)] = std::max(widths_[size_t(column - 1)], longestLine(value));
    return okStatus();
  }

  Status autoFitColumns() override {
    if (!workbook_) return Error(ErrorKind::InvalidArgument, "The workbook has been shown already.");
    for (size_t k = 0; k < widths_.size(); ++k) {
      if (widths_[k] == 0) continue;
      const lxw_error error =
          worksheet_set_column(sheet_, lxw_col_t(k), lxw_col_t(k), fittedColumnWidth(widths_[k]), nullptr);
      if (error != LXW_NO_ERROR)
        return Error(ErrorKind::Io, std::string("Cannot fit a column: ") + lxw_strerror(error));
    }
    return okStatus();
  }

  int32_t lastRow() const override { return kSheetLastRow; }

  // Writes the file; the workbook then takes nothing more.
  Status finish() {
    if (!workbook_) return okStatus();
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    if (error != LXW_NO_ERROR) return Error(ErrorKind::Io, "Cannot write " + path_ + ": " + lxw_strerror(error));
    return okStatus();
  }

  const std::string& path() const { return path_; }
  // From now on the file belongs to the office program, which removes it.
  void handOver() { handedOver_ = true; }

 private:
  XlsxWorkbook(std::string path, std::string folder) : path_(std::move(path)), folder_(std::move(folder)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder_.data();
    workbook_ = workbook_new_opt(path_.c_str(), &options);
    if (workbook_) sheet_ = workbook_add_worksheet(workbook_, nullptr);
  }

  std::string path_;
  std::string folder_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  std::vector<size_t> widths_;  // longest line of each column, in characters
  bool handedOver_ = false;
};

// Opens the file in Calc as a new, untitled document and removes it once
// the office program is done with it. A shell runs both in the background
// and ends at once, so the office program is nobody's child here and lives
// on after this program.
Status openInCalc(ProcessLauncher& launcher, const std::string& program, const std::string& file) {
  static const char kScript[] = "(\"$1\" --calc -n \"$2\"; rm -f -- \"$2\") </dev/null >/dev/null 2>&1 &";
  LF_ASSIGN_OR_RETURN(ProcessEnd end,
                      launcher.runAndWait({"/bin/sh", "-c", kScript, "ledgerfen", program, file}, kShellTimeout));
  if (end.exitCode != 0) return Error(ErrorKind::Io, "Cannot start " + program + ".");
  return okStatus();
}

class CalcApplication final : public SpreadsheetApplication {
 public:
  CalcApplication(std::string program, std::string folder) : program_(std::move(program)), folder_(std::move(folder)) {}

  Result<SpreadsheetWorkbook*> addWorkbook() override {
    LF_ASSIGN_OR_RETURN(std::unique_ptr<XlsxWorkbook> workbook, XlsxWorkbook::create(folder_));
    workbooks_.push_back(std::move(workbook));
    return static_cast<SpreadsheetWorkbook*>(workbooks_.back().get());
  }

  Status show() override {
    for (auto& workbook : workbooks_) {
      LF_RETURN_IF_ERROR(workbook->finish());
      LF_RETURN_IF_ERROR(openInCalc(launcher_, program_, workbook->path()));
      workbook->handOver();
    }
    workbooks_.clear();
    return okStatus();
  }

  // Calc runs only once a workbook is shown; there is nothing to end.
  Status quit() override { return okStatus(); }

 private:
  std::string program_;
  std::string folder_;
  PosixProcessLauncher launcher_;
  std::vector<std::unique_ptr<XlsxWorkbook>> workbooks_;
};

}  // namespace

Result<std::unique_ptr<SpreadsheetApplication>> CalcSpreadsheet::createApplication() {
  std::optional<std::string> program = findProgram(settings_.program);
  if (!program) {
    return Error(ErrorKind::NotFound,
                 "LibreOffice Calc cannot be started: the program " + settings_.program + " is not installed.");
  }
  return std::unique_ptr<SpreadsheetApplication>(
      new CalcApplication(*program, settings_.folder.empty() ? workbookFolder() : settings_.folder));
}

std::string workbookFolder() {
  for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = getenv(variable);
    if (isFolder(value) && access(value, W_OK | X_OK) == 0) return value;
  }
  return "/tmp";
}

void removeLeftoverWorkbooks(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const time_t now = time(nullptr);
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(kFilePrefix) || !name.ends_with(kFileSuffix)) continue;
    const std::string path = folder + "/" + std::string(name);
    struct stat s {};
    if (lstat(path.c_str(), &s) != 0 || !S_ISREG(s.st_mode) || s.st_uid != geteuid()) continue;
    if (now - s.st_mtime < kLeftoverAge) continue;
    unlink(path.c_str());
  }
  closedir(dir);
}

double fittedColumnWidth(size_t characters) {
  return std::min(255.0, 1.2 * double(characters) + 2.0);
}

}  // namespace ledgerfen::exporting
