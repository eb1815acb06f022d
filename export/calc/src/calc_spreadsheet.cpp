#include "ledgerfen/export/calc_spreadsheet.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>
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

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// How a cell's text goes into the sheet: as text, or as the number or the
// date and time it shows, with the number format that shows it as the grid
// does.
struct TypedCell {
  enum class Kind { Text, Number, DateTime } kind = Kind::Text;
  double number = 0;
  lxw_datetime dateTime{};
  std::string numberFormat;
};

// The grid's form of a number, "-12" or "3.50", as a number cell showing
// as many decimals. Numbers a sheet's double cannot hold exactly (more than
// fifteen significant digits), leading zeros ("007"), a negative zero and
// every other form stay text.
bool readNumber(std::string_view text, TypedCell& cell) {
  size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  const size_t integerStart = i;
  while (i < text.size() && isDigit(text[i])) ++i;
  const size_t integerDigits = i - integerStart;
  if (integerDigits == 0 || (integerDigits > 1 && text[integerStart] == '0')) return false;
  size_t decimals = 0;
  if (i < text.size() && text[i] == '.') {
    const size_t fractionStart = ++i;
    while (i < text.size() && isDigit(text[i])) ++i;
    decimals = i - fractionStart;
    if (decimals == 0) return false;
  }
  if (i != text.size()) return false;
  std::string digits;
  for (char c : text) {
    if (isDigit(c) && (c != '0' || !digits.empty())) digits += c;
  }
  if (digits.size() > 15 || (digits.empty() && integerStart == 1)) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), cell.number);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  cell.kind = TypedCell::Kind::Number;
  cell.numberFormat = decimals == 0 ? "0" : "0." + std::string(decimals, '0');
  return true;
}

// The grid's form of a date, "2024-03-01", "2024-03-01 14:05:09" or with
// ".123" for milliseconds, as a date cell in that form. Dates before
// 1900-03-01 stay text: the workbook format counts days from 1900 and
// takes 1900 for a leap year.
bool readDateTime(std::string_view text, TypedCell& cell) {
  const auto number = [&](size_t at, size_t length, int& value) {
    if (at + length > text.size()) return false;
    value = 0;
    for (size_t k = at; k < at + length; ++k) {
      if (!isDigit(text[k])) return false;
      value = value * 10 + (text[k] - '0');
    }
    return true;
  };
  lxw_datetime& d = cell.dateTime;
  int second = 0, millisecond = 0;
  if (text.size() < 10 || !number(0, 4, d.year) || text[4] != '-' || !number(5, 2, d.month) || text[7] != '-' ||
      !number(8, 2, d.day)) {
    return false;
  }
  std::string format = "yyyy-mm-dd";
  if (text.size() > 10) {
    if (text.size() < 19 || text[10] != ' ' || !number(11, 2, d.hour) || text[13] != ':' || !number(14, 2, d.min) ||
        text[16] != ':' || !number(17, 2, second)) {
      return false;
    }
    format += " hh:mm:ss";
    if (text.size() > 19) {
      if (text.size() != 23 || text[19] != '.' || !number(20, 3, millisecond)) return false;
      format += ".000";
    }
  }
  static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > kDaysInMonth[d.month - 1] ||
      (d.month == 2 && d.day == 29 && !leap) || d.hour > 23 || d.min > 59 || second > 59) {
    return false;
  }
  if (d.year < 1900 || (d.year == 1900 && d.month < 3) || d.year > 9999) return false;
  d.sec = second + millisecond / 1000.0;
  cell.kind = TypedCell::Kind::DateTime;
  cell.numberFormat = std::move(format);
  return true;
}

TypedCell typedCell(std::string_view text) {
  TypedCell cell;
  if (!readNumber(text, cell) && !readDateTime(text, cell)) cell.kind = TypedCell::Kind::Text;
  return cell;
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
    const lxw_row_t sheetRow = lxw_row_t(row - 1);
    const lxw_col_t sheetColumn = lxw_col_t(column - 1);
    const TypedCell typed = typedCell(value);
    lxw_error error = LXW_NO_ERROR;
    switch (typed.kind) {
      case TypedCell::Kind::Number:
        error = worksheet_write_number(sheet_, sheetRow, sheetColumn, typed.number, format(typed.numberFormat));
        break;
      case TypedCell::Kind::DateTime: {
        lxw_datetime dateTime = typed.dateTime;
        error = worksheet_write_datetime(sheet_, sheetRow, sheetColumn, &dateTime, format(typed.numberFormat));
        break;
      }
      case TypedCell::Kind::Text:
        error = worksheet_write_string(sheet_, sheetRow, sheetColumn, escapeEscapes(value).c_str(), nullptr);
        break;
    }
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

  // The workbook's format of the number format, made once.
  lxw_format* format(const std::string& numberFormat) {
    lxw_format*& made = formats_[numberFormat];
    if (!made) {
      made = workbook_add_format(workbook_);
      if (made) format_set_num_format(made, numberFormat.c_str());
    }
    return made;
  }

  std::string path_;
  std::string folder_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  std::map<std::string, lxw_format*> formats_;  // owned by the workbook
  std::vector<size_t> widths_;                  // longest line of each column, in characters
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
