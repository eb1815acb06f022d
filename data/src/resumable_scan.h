// A table scan on a background reader that survives the reader being opened
// afresh between pieces of work: it resumes after the last row it gave.
#pragma once

#include <optional>
#include <vector>

#include "ledgerfen/data/background_reader.h"
#include "ledgerfen/data/row_order.h"

namespace ledgerfen::data {

class ResumableScan {
 public:
  // `columns`: the columns to decode (all when empty); `from`: the row to
  // start at (the first row when none).
  ResumableScan(TableReader& reader, std::vector<size_t> columns, std::optional<RowId> from = std::nullopt)
      : reader_(reader), columns_(std::move(columns)), from_(from) {}

  // Call at the start of every piece, holding the read pass.
  Status startPiece() {
    LF_ASSIGN_OR_RETURN(bool fresh, reader_.refresh());
    if (fresh) cursor_.reset();
    return okStatus();
  }

  // The next row of the scan; with `decode` false only its id. False at the end.
  Result<bool> next(Row& row, bool decode = true) {
    if (!cursor_) {
      const std::optional<RowId> at = last_ ? last_ : from_;
      auto cursor = at ? reader_.table().scanFrom(*at, ScanOrder::Logical, columns_)
                       : reader_.table().scan(ScanOrder::Logical, columns_);
      if (!cursor) return cursor.error();
      cursor_ = std::move(*cursor);
    }
    while (true) {
      Result<bool> more = decode ? cursor_->next(row) : cursor_->skip(row.id);
      if (!more.ok() || !*more) return more;
      // A scan made afresh starts at the last row given, which was given already.
      if (last_ && row.id <= *last_) continue;
      last_ = row.id;
      return true;
    }
  }

 private:
  TableReader& reader_;
  std::vector<size_t> columns_;
  std::optional<RowId> from_;
  std::optional<RowCursor> cursor_;
  std::optional<RowId> last_;
};

inline Error stoppedError() {
  return Error(ErrorKind::InvalidArgument, kStoppedMessage);
}

inline void reportProgress(const WorkControl& control, double done) {
  if (control.progress) control.progress(done < 0 ? 0 : done > 1 ? 1 : done);
}

}  // namespace ledgerfen::data
