// LibreOffice Calc as the spreadsheet program of the XLS export.
//
// A workbook is built in this process: libxlsxwriter writes it into a
// private temporary file (makePrivateFile: mode 0600, named
// ledgerfen-export-*.xlsx, in the user's runtime folder or else the
// temporary folder). Showing the application opens each workbook in Calc as
// a new, untitled, unsaved document (soffice --calc -n FILE) and waits up to
// CalcSettings::startWait for soffice to fail at once: one that ends with a
// non-zero status in that time is reported with the status and the first
// lines of its error output; one that ends with 0 (the document went to a
// Calc already running) or still runs (it started Calc) has opened the
// workbook. The file is removed once that soffice process has ended, with
// the private side folder (ledgerfen-calc-*) that holds its error output.
// Files and side folders that a killed program left behind are removed at
// the next start (removeLeftoverWorkbooks).
//
// Each cell is typed by the kind of its column (ColumnKind), never guessed
// from its text:
//   Number    a number in any form std::from_chars reads ("-12", "3.50",
//             "1e+20"), shown with as many decimals as the grid shows (the
//             General format for forms with an exponent); more than fifteen
//             significant digits, which a sheet's double cannot hold, stay
//             text.
//   Currency  a number with thousands separators, the decimals shown (at
//             least two) and the currency symbol of the user's locale
//             (LC_MONETARY) where it has one that can be trusted.
//   DateTime  a date in the grid's form, "yyyy-mm-dd", "yyyy-mm-dd
//             hh:mm:ss" or with ".000" for milliseconds; dates before
//             1900-03-01, which the workbook format cannot count, and times
//             finer than a millisecond stay text.
//   YesNo     a boolean for "Yes" and "No".
//   Text      always text: "05021" and "123" keep their form.
// A text that is not of its column's kind goes in as text, never lost. A
// text longer than a cell holds is set cut to kCellTextLimit characters.
//
// Column widths are fitted from the longest line of text in each column.
// One thread at a time.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "ledgerfen/export/spreadsheet.h"

namespace ledgerfen::exporting {

struct CalcSettings {
  // The office program: a name looked up in PATH, or a path.
  std::string program = "soffice";
  // Where the workbook files go; empty for workbookFolder().
  std::string folder;
  // How long showing a workbook waits for the office program to fail at
  // once (no display, a broken installation) before taking it as started.
  std::chrono::milliseconds startWait{5'000};
};

class CalcSpreadsheet final : public SpreadsheetProgram {
 public:
  explicit CalcSpreadsheet(CalcSettings settings = {}) : settings_(std::move(settings)) {}
  // Fails when the office program cannot be found.
  Result<std::unique_ptr<SpreadsheetApplication>> createApplication() override;

 private:
  CalcSettings settings_;
};

// The sheet size of the workbook format, which Calc opens in full.
inline constexpr int32_t kSheetLastRow = 1'048'576;
inline constexpr int32_t kSheetLastColumn = 16'384;
// The most characters a cell holds.
inline constexpr size_t kCellTextLimit = 32'767;

// $XDG_RUNTIME_DIR when it names a folder, else $TMPDIR, else /tmp.
std::string workbookFolder();
// Removes this user's workbook files and side folders older than a minute
// from `folder`.
void removeLeftoverWorkbooks(const std::string& folder = workbookFolder());
// The width, in characters of the default font, fitted to a column whose
// longest line has `characters` characters: 1.2 per character and 2 more,
// at most 255.
double fittedColumnWidth(size_t characters);

}  // namespace ledgerfen::exporting
