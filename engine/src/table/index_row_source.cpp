#include "table/index_row_source.h"

namespace ledgerfen::table {

Result<bool> IndexRowSource::next(Row& row) {
  if (done_) return false;
  auto entry = entries_.next();
  if (!entry) return entry.error().withContext(context_);
  if (!*entry || (upper_ && !index::satisfiesUpper((*entry)->key, *upper_))) {
    done_ = true;
    return false;
  }
  const format::RowPointer at = (*entry)->row;
  if (auto read = reader_.read(RowId{at.page, at.row}, row, wanted_); !read) {
    return Error(ErrorKind::Corrupt,
                 context_ + ": an entry lists a row that cannot be read: " + read.error().message());
  }
  return true;
}

}  // namespace ledgerfen::table
