// LibreOffice Calc as the spreadsheet program of the XLS export.
//
// A workbook is built in this process: libxlsxwriter writes it into a
// private temporary file (makePrivateFile: mode 0600, named
// ledgerfen-export-*.xlsx, in the user's runtime folder or else the
// temporary folder). Showing the application opens each workbook in Calc as
// a new, untitled, unsaved document (soffice --calc -n FILE) and removes the
// file once that soffice process has ended: it ends when the running Calc
// has loaded the document, or, when it started Calc itself, when Calc
// closes. Files that a killed program left behind are removed at the next
// start (removeLeftoverWorkbooks).
//
// A text in the grid's form of a number ("-12", "3.50") or of a date
// ("2024-03-01", "2024-03-01 14:05:09", with ".123" for milliseconds) goes
// in as that number or date, with a number format that shows it as the grid
// does, so that Calc sorts, sums and filters it as one; every other text,
// numbers with leading zeros ("007") or more than fifteen significant digits
// and dates before 1900-03-01 included, goes in as text.
//
// Column widths are fitted from the longest line of text in each column.
// One thread at a time.
#pragma once

#include <memory>
#include <string>

#include "ledgerfen/export/spreadsheet.h"

namespace ledgerfen::exporting {

struct CalcSettings {
  // The office program: a name looked up in PATH, or a path.
  std::string program = "soffice";
  // Where the workbook files go; empty for workbookFolder().
  std::string folder;
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
// Removes this user's workbook files older than a minute from `folder`.
void removeLeftoverWorkbooks(const std::string& folder = workbookFolder());
// The width, in characters of the default font, fitted to a column whose
// longest line has `characters` characters: 1.2 per character and 2 more,
// at most 255.
double fittedColumnWidth(size_t characters);

}  // namespace ledgerfen::exporting
