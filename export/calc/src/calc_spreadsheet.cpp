#include "ledgerfen/export/calc_spreadsheet.h"

#include <dirent.h>
#include <langinfo.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
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
// The characters a boolean cell is fitted for: Calc shows TRUE or FALSE in
// the user's language ("FALSCH", "VERDADERO").
constexpr size_t kBooleanWidth = 9;
// The shell that opens a workbook in Calc ends after the start wait at the
// latest (CalcSettings), leaving Calc running.
constexpr std::chrono::milliseconds kShellTimeout{30'000};
// The private folder beside a workbook on its way to Calc: the office
// program's error output and how it ended.
constexpr std::string_view kSideFolderPrefix = "ledgerfen-calc-";

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

bool isPrintableAscii(std::string_view text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
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

// Cuts valid UTF-8 text to at most `limit` UTF-16 code units, at the end of
// a character; true when it was longer.
bool cutToUnits(std::string& text, size_t limit) {
  size_t units = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if ((b & 0xC0) == 0x80) continue;
    units += b >= 0xF0 ? 2 : 1;
    if (units > limit) {
      text.resize(i);
      return true;
    }
  }
  return false;
}

// A number cell: its value and the number format that shows it as the
// grid does (empty for the sheet's General format).
struct NumberCell {
  double value = 0;
  size_t decimals = 0;
  bool exponent = false;
};

// A number in any form std::from_chars reads ("-12", "3.50", "1e+20"), as
// long as a sheet's double holds it without losing a digit: at most fifteen
// significant digits. Infinity, NaN and a negative zero (which a sheet
// shows as 0) are not numbers here.
std::optional<NumberCell> readNumber(std::string_view text) {
  NumberCell cell;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), cell.value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(cell.value)) return std::nullopt;
  if (cell.value == 0 && std::signbit(cell.value)) return std::nullopt;
  const size_t exponentAt = text.find_first_of("eE");
  cell.exponent = exponentAt != std::string_view::npos;
  const std::string_view mantissa = text.substr(0, exponentAt);
  std::string digits;
  for (char c : mantissa) {
    if (isDigit(c) && (c != '0' || !digits.empty())) digits += c;
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.size() > 15) return std::nullopt;
  if (const size_t point = mantissa.find('.'); point != std::string_view::npos) {
    cell.decimals = mantissa.size() - point - 1;
  }
  return cell;
}

std::string decimalsFormat(std::string_view integerPart, size_t decimals) {
  return std::string(integerPart) + (decimals == 0 ? "" : "." + std::string(decimals, '0'));
}

// The grid's form of a date, "2024-03-01", "2024-03-01 14:05:09" or with a
// fraction of a second, as a date and the format that shows it so. Dates
// before 1900-03-01 are not dates here: the workbook format counts days from
// 1900 and takes 1900 for a leap year. Nor are times finer than a
// millisecond, which a sheet does not show.
std::optional<std::pair<lxw_datetime, std::string>> readDateTime(std::string_view text) {
  const auto number = [&](size_t at, size_t length, int& value) {
    if (at + length > text.size()) return false;
    value = 0;
    for (size_t k = at; k < at + length; ++k) {
      if (!isDigit(text[k])) return false;
      value = value * 10 + (text[k] - '0');
    }
    return true;
  };
  lxw_datetime d{};
  int second = 0, millisecond = 0;
  if (text.size() < 10 || !number(0, 4, d.year) || text[4] != '-' || !number(5, 2, d.month) || text[7] != '-' ||
      !number(8, 2, d.day)) {
    return std::nullopt;
  }
  std::string format = "yyyy-mm-dd";
  if (text.size() > 10) {
    if (text.size() < 19 || text[10] != ' ' || !number(11, 2, d.hour) || text[13] != ':' || !number(14, 2, d.min) ||
        text[16] != ':' || !number(17, 2, second)) {
      return std::nullopt;
    }
    format += " hh:mm:ss";
    if (text.size() > 19) {
      const std::string_view fraction = text.substr(20);
      if (text[19] != '.' || fraction.empty() || fraction.size() > 9) return std::nullopt;
      for (size_t k = 0; k < fraction.size(); ++k) {
        if (!isDigit(fraction[k]) || (k >= 3 && fraction[k] != '0')) return std::nullopt;
        if (k < 3) millisecond += (fraction[k] - '0') * (k == 0 ? 100 : k == 1 ? 10 : 1);
      }
      format += ".000";
    }
  }
  static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > kDaysInMonth[d.month - 1] ||
      (d.month == 2 && d.day == 29 && !leap) || d.hour > 23 || d.min > 59 || second > 59) {
    return std::nullopt;
  }
  if (d.year < 1900 || (d.year == 1900 && d.month < 3)) return std::nullopt;
  d.sec = second + millisecond / 1000.0;
  return std::pair(d, std::move(format));
}

// The number format of amounts of money with `decimals` decimals (at least
// two) and the currency symbol of the user's locale, placed as there.
struct CurrencySymbol {
  std::string text;  // empty: none
  bool before = true;
  bool spaced = false;
};

bool isValidUtf8(const std::string& text) {
  std::string checked = text;
  replaceInvalidUtf8(checked);
  return checked == text;
}

// The symbol of the locale the environment names for money (LC_ALL,
// LC_MONETARY, LANG); none when that is the C locale, when the symbol stands
// for the decimal point, or when its code set is not UTF-8 and the symbol
// is more than ASCII (the workbook holds UTF-8).
CurrencySymbol userCurrencySymbol() {
  CurrencySymbol symbol;
  locale_t monetary = newlocale(LC_MONETARY_MASK, "", locale_t(nullptr));
  if (!monetary) return symbol;
  const std::string crncy = nl_langinfo_l(CRNCYSTR, monetary);
  // Read before the locale is freed: nl_langinfo_l points into it.
  const char* spacingField = nl_langinfo_l(P_SEP_BY_SPACE, monetary);
  const bool spaced = spacingField && *spacingField == 1;
  const std::string name = nl_langinfo_l(_NL_LOCALE_NAME(LC_MONETARY), monetary);
  freelocale(monetary);
  if (crncy.size() < 2 || (crncy[0] != '-' && crncy[0] != '+')) return symbol;
  std::string text = crncy.substr(1);
  bool ascii = true;
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b == 0x7F || c == '"') return symbol;
    if (b >= 0x80) ascii = false;
  }
  if (!ascii) {
    locale_t characters = newlocale(LC_CTYPE_MASK, name.c_str(), locale_t(nullptr));
    if (!characters) return symbol;
    const bool utf8 = std::string_view(nl_langinfo_l(CODESET, characters)) == "UTF-8";
    freelocale(characters);
    if (!utf8 || !isValidUtf8(text)) return symbol;
  }
  symbol.text = std::move(text);
  symbol.before = crncy[0] == '-';
  symbol.spaced = spaced;
  return symbol;
}

// How many more characters an amount of money shows than the grid's text:
// thousands separators, decimals filled up to two, the symbol.
size_t shownCurrencyExtra(std::string_view text, size_t decimals, const CurrencySymbol& symbol) {
  const size_t digitsAt = !text.empty() && text[0] == '-' ? 1 : 0;
  const size_t integerDigits = std::min(text.find('.'), text.size()) - digitsAt;
  size_t extra = integerDigits > 0 ? (integerDigits - 1) / 3 : 0;
  if (decimals < 2) extra += 2 - decimals + (decimals == 0 ? 1 : 0);
  if (!symbol.text.empty()) extra += utf16Length(symbol.text) + (symbol.spaced ? 1 : 0);
  return extra;
}

std::string currencyFormat(const CurrencySymbol& symbol, size_t decimals) {
  const std::string amount = decimalsFormat("#,##0", std::max<size_t>(decimals, 2));
  if (symbol.text.empty()) return amount;
  const std::string space = symbol.spaced ? " " : "";
  return symbol.before ? "\"" + symbol.text + space + "\"" + amount : amount + "\"" + space + symbol.text + "\"";
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

  Status setCell(int32_t row, int32_t column, std::string_view text, ColumnKind kind) override {
    if (row < 1 || row > kSheetLastRow || column < 1 || column > kSheetLastColumn) {
      return Error(ErrorKind::InvalidArgument, "The cell at " + cellName(row, column) + " lies outside a sheet (" +
                                                   std::to_string(kSheetLastRow) + " rows, " +
                                                   std::to_string(kSheetLastColumn) + " columns).");
    }
    if (!workbook_) return Error(ErrorKind::InvalidArgument, "The workbook has been shown and takes no more cells.");
    std::string value(text);
    // One line of printable ASCII, the most common text, is its own length
    // and width in every count below.
    const bool plain = value.size() <= kCellTextLimit && isPrintableAscii(value);
    if (!plain) replaceInvalidUtf8(value);
    const size_t length = plain ? value.size() : utf16Length(value);
    const bool cut = !plain && cutToUnits(value, kCellTextLimit);
    const lxw_row_t sheetRow = lxw_row_t(row - 1);
    const lxw_col_t sheetColumn = lxw_col_t(column - 1);
    size_t width = plain ? value.size() : longestLine(value);
    lxw_error error = LXW_NO_ERROR;
    bool written = false;
    if (kind == ColumnKind::Number) {
      if (const auto number = readNumber(value)) {
        lxw_format* shown = number->exponent ? nullptr : decimalsCellFormat(number->decimals);
        error = worksheet_write_number(sheet_, sheetRow, sheetColumn, number->value, shown);
        written = true;
      }
    } else if (kind == ColumnKind::Currency) {
      if (const auto number = readNumber(value); number && !number->exponent) {
        error = worksheet_write_number(sheet_, sheetRow, sheetColumn, number->value,
                                       format(currencyFormat(currency_, number->decimals)));
        width += shownCurrencyExtra(value, number->decimals, currency_);
        written = true;
      }
    } else if (kind == ColumnKind::DateTime) {
      if (auto date = readDateTime(value)) {
        error = worksheet_write_datetime(sheet_, sheetRow, sheetColumn, &date->first, format(date->second));
        written = true;
      }
    } else if (kind == ColumnKind::YesNo) {
      if (value == "Yes" || value == "No") {
        error = worksheet_write_boolean(sheet_, sheetRow, sheetColumn, value == "Yes", nullptr);
        width = kBooleanWidth;  // shown as TRUE or FALSE in the user's language
        written = true;
      }
    }
    if (!written) {
      error = worksheet_write_string(sheet_, sheetRow, sheetColumn, escapeEscapes(std::move(value)).c_str(), nullptr);
    }
    if (error != LXW_NO_ERROR) {
      return Error(ErrorKind::Io, "The cell at " + cellName(row, column) + " cannot be set: " + lxw_strerror(error));
    }
    if (widths_.size() < size_t(column)) widths_.resize(size_t(column), 0);
    widths_[size_t(column - 1)] = std::max(widths_[size_t(column - 1)], width);
    if (cut) {
      return Error(ErrorKind::Constraint, "The text for the cell at " + cellName(row, column) + " has " +
                                              std::to_string(length) + " characters; a cell holds " +
                                              std::to_string(kCellTextLimit) + " at most, so it is cut to that.");
    }
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
  int32_t cellTextLimit() const override { return int32_t(kCellTextLimit); }

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

  // The format showing `decimals` decimals ("0", "0.00"), made once.
  lxw_format* decimalsCellFormat(size_t decimals) {
    if (decimalsFormats_.size() <= decimals) decimalsFormats_.resize(decimals + 1, nullptr);
    lxw_format*& made = decimalsFormats_[decimals];
    if (!made) made = format(decimalsFormat("0", decimals));
    return made;
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
  CurrencySymbol currency_ = userCurrencySymbol();
  std::map<std::string, lxw_format*> formats_;  // owned by the workbook
  std::vector<lxw_format*> decimalsFormats_;    // by decimals, from formats_
  std::vector<size_t> widths_;                  // longest line of each column, in characters
  bool handedOver_ = false;
};

// Opens the file in Calc as a new, untitled document and removes it once
// the office program is done with it.
//
// A shell starts the office program in the background, with its standard
// error going to a file in a private folder of its own, and waits up to
// `startWait` for it to end early. An office program that ends with a
// non-zero status has failed (no display, a broken installation): the shell
// prints what it wrote and ends with that status. One that ends with 0 has
// handed the document to a Calc already running; one still running after
// the wait has started Calc, which shows the document. The background part
// removes the workbook and the side folder once the office program has ended
// and the waiting shell has read what it needed (it leaves "read" in the
// folder) or is gone; so the office program is nobody's child here and
// lives on after this program.
constexpr char kOpenScript[] = R"sh(
program=$1 workbook=$2 side=$3 polls=$4
umask 077
(
  "$program" --calc -n "$workbook" </dev/null >/dev/null 2>"$side/errors"
  echo $? >"$side/status.part" && mv -f -- "$side/status.part" "$side/status"
  while [ ! -e "$side/read" ] && kill -0 $$ 2>/dev/null; do sleep 0.1; done
  rm -f -- "$workbook" "$side/errors" "$side/status" "$side/status.part" "$side/read"
  rmdir -- "$side"
) </dev/null >/dev/null 2>&1 &
n=0
while [ ! -e "$side/status" ] && [ "$n" -lt "$polls" ]; do sleep 0.1; n=$((n + 1)); done
status=0
if [ -e "$side/status" ]; then
  status=$(cat "$side/status")
  case $status in '' | *[!0-9]*) status=1 ;; esac
  if [ "$status" -ne 0 ]; then head -c 16384 "$side/errors" >&2; fi
fi
: >"$side/read"
exit "$status"
)sh";

// The first few lines of an office program's error output, for a message.
std::string firstLines(const std::string& output) {
  constexpr int kLines = 5;
  constexpr size_t kLineLength = 200;
  std::istringstream in(output);
  std::string lines;
  int count = 0;
  for (std::string line; count < kLines && std::getline(in, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty()) continue;
    if (utf16Length(line) > kLineLength) {
      cutToUnits(line, kLineLength);
      line += "...";
    }
    lines += (lines.empty() ? "" : "\n") + line;
    ++count;
  }
  replaceInvalidUtf8(lines);
  return lines;
}

Status openInCalc(ProcessLauncher& launcher, const std::string& program, const std::string& file,
                  std::chrono::milliseconds startWait, const std::string& folder) {
  LF_ASSIGN_OR_RETURN(const std::string side, makePrivateFolder(folder, kSideFolderPrefix));
  // Polls of a tenth of a second, ending well within the shell's time.
  const long polls = std::clamp<long>(long((startWait.count() + 99) / 100), 1, long(kShellTimeout.count() / 200));
  Result<ProcessEnd> end = launcher.runAndWait(
      {"/bin/sh", "-c", kOpenScript, "ledgerfen", program, file, side, std::to_string(polls)}, kShellTimeout);
  if (!end.ok()) {
    rmdir(side.c_str());  // left only when the shell never started
    return end.error();
  }
  if (end->exitCode == 0) return okStatus();
  std::string message = "LibreOffice Calc could not open the workbook: " + program + " ended with exit status " +
                        std::to_string(end->exitCode);
  const std::string said = firstLines(end->errorOutput);
  message += said.empty() ? "." : " and said:\n" + said;
  return Error(ErrorKind::Io, message);
}

class CalcApplication final : public SpreadsheetApplication {
 public:
  CalcApplication(std::string program, std::string folder, std::chrono::milliseconds startWait)
      : program_(std::move(program)), folder_(std::move(folder)), startWait_(startWait) {}

  Result<SpreadsheetWorkbook*> addWorkbook() override {
    LF_ASSIGN_OR_RETURN(std::unique_ptr<XlsxWorkbook> workbook, XlsxWorkbook::create(folder_));
    workbooks_.push_back(std::move(workbook));
    return static_cast<SpreadsheetWorkbook*>(workbooks_.back().get());
  }

  Status show() override {
    for (auto& workbook : workbooks_) {
      LF_RETURN_IF_ERROR(workbook->finish());
      LF_RETURN_IF_ERROR(openInCalc(launcher_, program_, workbook->path(), startWait_, folder_));
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
  std::chrono::milliseconds startWait_;
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
  return std::unique_ptr<SpreadsheetApplication>(new CalcApplication(
      *program, settings_.folder.empty() ? workbookFolder() : settings_.folder, settings_.startWait));
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
  std::vector<std::string> files, sideFolders;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    const bool workbook = name.starts_with(kFilePrefix) && name.ends_with(kFileSuffix);
    const bool side = name.starts_with(kSideFolderPrefix);
    if (!workbook && !side) continue;
    const std::string path = folder + "/" + std::string(name);
    struct stat s {};
    if (lstat(path.c_str(), &s) != 0 || s.st_uid != geteuid() || now - s.st_mtime < kLeftoverAge) continue;
    if (workbook && S_ISREG(s.st_mode)) files.push_back(path);
    if (side && S_ISDIR(s.st_mode)) sideFolders.push_back(path);
  }
  closedir(dir);
  for (const std::string& path : files) unlink(path.c_str());
  // A side folder holds only files the shell made; links in it are removed,
  // never followed.
  for (const std::string& path : sideFolders) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
}

double fittedColumnWidth(size_t characters) {
  return std::min(255.0, 1.2 * double(characters) + 2.0);
}

}  // namespace ledgerfen::exporting
