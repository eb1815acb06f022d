#include "ledgerfen/export/xls_command.h"

#include <memory>
#include <optional>

namespace ledgerfen::exporting {
namespace {

Error noApplication() {
  return Error(ErrorKind::InvalidArgument, "There is no spreadsheet application to work with.");
}
Error noWorkbook() {
  return Error(ErrorKind::InvalidArgument, "There is no workbook to fill.");
}

// A sheet's name of a cell: "B7", "AA1".
std::string cellAddress(int32_t row, int32_t column) {
  std::string letters;
  for (int64_t c = column; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
  return letters + std::to_string(row);
}

}  // namespace

void XlsCommand::run() {
  shell::TrappedHandler h(errors_, shell::kTableEditorReports.exportXls);
  if (!h.test(100, [&] { return grid_.rowCount() > 0; })) return;
  if (!h.test(102, [&] { return officeAvailable(); })) return;
  h.step(104, [&] { pointer_.setMousePointer(PointerSetting::kBusy); });

  std::unique_ptr<SpreadsheetApplication> application;
  SpreadsheetWorkbook* workbook = nullptr;
  h.step(106, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(application, spreadsheet_.createApplication());
    return okStatus();
  });
  h.step(108, [&]() -> Status {
    if (!application) return noApplication();
    LF_ASSIGN_OR_RETURN(workbook, application->addWorkbook());
    return okStatus();
  });
  const auto setCell = [&](int32_t row, int32_t column, const std::string& text, ColumnKind kind) -> Status {
    if (!workbook) return noWorkbook();
    return workbook->setCell(row, column, text, kind);
  };

  int32_t sheetColumn = 1;  // 110
  int columns = 0;
  h.step(112, [&] { columns = grid_.columnCount(); });
  for (int k = 0; k < columns; ++k) {
    h.step(114, [&] { return setCell(1, sheetColumn, grid_.columnCaption(k), ColumnKind::Text); });
    sheetColumn += 1;  // 116
  }

  int32_t sheetRow = 2;  // 120
  int64_t rows = 0;
  // A text too long for a cell is set cut to the limit; the first is
  // reported, later ones are cut without a word.
  bool cutReported = false;
  h.step(122, [&] { rows = grid_.rowCount(); });
  // The rows are read with the progress window up, and Cancel in it.
  std::optional<ProgressGridReader> withProgress(std::in_place, grid_, progress_);
  for (int64_t n = 1; n <= rows; ++n) {
    // The sheet ends before the table: every further row would fail cell
    // by cell, so the copy stops after one report.
    if (workbook && sheetRow > workbook->lastRow()) {
      h.step(130, [&]() -> Status {
        return Error(ErrorKind::Unsupported,
                     "The table has more rows than a sheet holds (" + std::to_string(workbook->lastRow()) +
                         " rows); rows " + std::to_string(n) + " to " + std::to_string(rows) + " are not copied.");
      });
      break;
    }
    h.step(124, [&] { return withProgress->goToRow(n); });
    if (h.cancelled()) break;
    sheetColumn = 1;  // 126
    columns = 0;
    h.step(128, [&] { columns = grid_.columnCount(); });
    for (int k = 0; k < columns; ++k) {
      h.step(130, [&]() -> Status {
        LF_ASSIGN_OR_RETURN(const std::string text, withProgress->cellText(k));
        Status set = setCell(sheetRow, sheetColumn, text, grid_.columnKind(k));
        if (set.ok() || set.error().kind() != ErrorKind::Constraint) return set;
        if (cutReported) return okStatus();
        cutReported = true;
        return Error(ErrorKind::Constraint,
                     "The text for cell " + cellAddress(sheetRow, sheetColumn) + " (" + grid_.columnCaption(k) +
                         " of row " + std::to_string(n) +
                         ") is longer than a cell of the sheet holds: it and every later cell too long for the sheet "
                         "are cut to " +
                         std::to_string(workbook->cellTextLimit()) + " characters.");
      });
      sheetColumn += 1;  // 132
    }
    sheetRow += 1;  // 136
  }
  withProgress.reset();  // the progress window closes

  if (h.cancelled()) {
    // Releasing the application discards the unshown workbook.
    pointer_.setMousePointer(PointerSetting::kDefault);
    return;
  }

  h.step(140, [&]() -> Status {
    if (!workbook) return noWorkbook();
    return workbook->autoFitColumns();
  });
  h.step(142, [&]() -> Status {
    if (!application) return noApplication();
    return application->show();
  });
  h.step(144, [&] { pointer_.setMousePointer(PointerSetting::kDefault); });
}

bool XlsCommand::officeAvailable() {
  bool failed = false;
  std::unique_ptr<SpreadsheetApplication> application;
  if (auto created = spreadsheet_.createApplication(); created.ok()) {
    application = std::move(*created);
  } else {
    failed = true;
  }
  bool installed = false;
  if (!application) {
    messages_.show(std::string(kSpreadsheetMissingMessage), shell::MessageButtons::Ok, shell::MessageIcon::None);
  } else {
    if (!application->quit().ok()) failed = true;
    application.reset();
    installed = true;
  }
  return installed && !failed;
}

}  // namespace ledgerfen::exporting
