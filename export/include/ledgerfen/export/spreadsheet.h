// A spreadsheet program as the XLS export drives it: an application object
// that makes new workbooks, each with an empty active sheet that takes cells
// by 1-based row and column and fits its column widths to their contents,
// and that is then shown to the user. The presence test creates an
// application and quits it again.
//
// A cell is handed over as the grid's text together with the kind of its
// column (grid_reader.h): the sheet holds a number column's texts as
// numbers, a date column's as dates and so on, and any text that is not of
// its column's kind, as well as every text of a Text column, as text.
//
// The application owns its workbooks; releasing the application without
// showing it discards them. Objects are used on the user-interface thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "ledgerfen/export/grid_reader.h"
#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

class SpreadsheetWorkbook {
 public:
  virtual ~SpreadsheetWorkbook() = default;
  // Sets the cell at `row` and `column` (both from 1) of the active sheet
  // to the text, as a value of the column's kind where the text is one;
  // empty text leaves the cell empty. A text longer than cellTextLimit() is
  // set cut to that limit (at a character's boundary) and a Constraint error
  // says so; any other error means the cell is not set.
  virtual Status setCell(int32_t row, int32_t column, std::string_view text, ColumnKind kind) = 0;
  // Fits the width of every column of the active sheet to its contents.
  virtual Status autoFitColumns() = 0;
  // The last row a sheet has.
  virtual int32_t lastRow() const = 0;
  // The most characters (UTF-16 code units, as spreadsheets count them) a
  // cell holds.
  virtual int32_t cellTextLimit() const = 0;
};

class SpreadsheetApplication {
 public:
  virtual ~SpreadsheetApplication() = default;
  // A new workbook, owned by the application.
  virtual Result<SpreadsheetWorkbook*> addWorkbook() = 0;
  // Shows the application with its workbooks, new and unsaved, to the user.
  virtual Status show() = 0;
  virtual Status quit() = 0;
};

class SpreadsheetProgram {
 public:
  virtual ~SpreadsheetProgram() = default;
  // A new application, not yet visible; an error when the program is missing.
  virtual Result<std::unique_ptr<SpreadsheetApplication>> createApplication() = 0;
};

}  // namespace ledgerfen::exporting
