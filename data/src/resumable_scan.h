// A table scan on a background reader that survives the reader being opened
// afresh between pieces of work: it resumes after the last row it gave.
#pragma once

#include <optional>
#include <vector>

#include "ledgerfen/data/background_reader.h"
#include "ledgerfen/data/row_order.h"

namespace ledgerfen::data {

inline Error stoppedError() {
  return Error(ErrorKind::InvalidArgument, kStoppedMessage);
}

inline void reportProgress(const WorkControl& control, double done) {
  if (control.progress) control.progress(done < 0 ? 0 : done > 1 ? 1 : done);
}

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

  // Reads the rest of the scan a piece of kPieceRows rows at a time, each
  // under a read pass of the reader's gate (so a change waits for one piece
  // at most) and after a look for a stop request. `visit(row)` takes each
  // row and returns false to end the reading there; `pieceDone(atEnd)`
  // follows each piece, outside the pass, `atEnd` once the scan has no more
  // rows. With `decode` false the rows carry their ids alone.
  template <typename Visit, typename PieceDone>
  Status readInPieces(const WorkControl& control, bool decode, Visit&& visit, PieceDone&& pieceDone) {
    Row row;
    bool more = true, wanted = true;
    while (more && wanted) {
      if (control.stop.stop_requested()) return stoppedError();
      {
        WriteGate::ReadPass pass(*reader_.source().gate);
        LF_RETURN_IF_ERROR(startPiece());
        for (int i = 0; i < kPieceRows && more && wanted; ++i) {
          LF_ASSIGN_OR_RETURN(more, next(row, decode));
          if (more) wanted = visit(static_cast<const Row&>(row));
        }
      }
      pieceDone(!more);
    }
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

}  // namespace ledgerfen::data
