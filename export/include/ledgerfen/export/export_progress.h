// Progress of an export that goes through a table row by row, and the
// user's way to stop it. ExportProgress is what the window shows (a
// progress dialog with Cancel, qt_export_platform.h); ProgressGridReader
// puts it between an export and the grid, so every writer reports its rows
// and stops at the next row once the user has cancelled: going to that row
// fails with ErrorKind::Cancelled, and the writer throws away what it made,
// as after any failure of the grid.
#pragma once

#include <cstdint>
#include <string>

#include "ledgerfen/export/grid_reader.h"

namespace ledgerfen::exporting {

class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  // Work on `rows` rows begins.
  virtual void begin(int64_t rows) = 0;
  // `done` rows of them are done. False once the user has cancelled.
  virtual bool advance(int64_t done) = 0;
  // The work has ended, done or not.
  virtual void end() = 0;
};

// For work that shows no progress and cannot be cancelled.
class NoProgress final : public ExportProgress {
 public:
  void begin(int64_t) override {}
  bool advance(int64_t) override { return true; }
  void end() override {}
};

// The grid, read with progress: begins the progress with the grid's row
// count when made and ends it when destroyed.
class ProgressGridReader final : public GridReader {
 public:
  ProgressGridReader(GridReader& grid, ExportProgress& progress) : grid_(grid), progress_(progress) {
    progress_.begin(grid_.rowCount());
  }
  ~ProgressGridReader() override { progress_.end(); }
  ProgressGridReader(const ProgressGridReader&) = delete;
  ProgressGridReader& operator=(const ProgressGridReader&) = delete;

  int columnCount() const override { return grid_.columnCount(); }
  std::string columnCaption(int column) const override { return grid_.columnCaption(column); }
  ColumnKind columnKind(int column) const override { return grid_.columnKind(column); }
  int64_t rowCount() const override { return grid_.rowCount(); }
  Status goToRow(int64_t row) override {
    if (!progress_.advance(row - 1)) return Error(ErrorKind::Cancelled, "The export was cancelled.");
    return grid_.goToRow(row);
  }
  Result<std::string> cellText(int column) override { return grid_.cellText(column); }

 private:
  GridReader& grid_;
  ExportProgress& progress_;
};

}  // namespace ledgerfen::exporting
