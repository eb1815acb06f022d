// Why a table can only be viewed, said for the person in front of it: the
// notice the table editor shows above its grid.
//
// The reasons: the file cannot be written; another program holds it for
// changes; Access keeps a lock file beside it (.ldb, .laccdb), whose
// computer and user names the notice gives, with how to clear a lock file a
// crashed session left behind (the program never deletes one itself); a
// column of an index sorts text in an order whose index keys the engine
// cannot make, so no change could keep that index right.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ledgerfen/database.h"
#include "ledgerfen/file_format.h"

namespace ledgerfen::data {

// One session a lock file records.
struct LockHolder {
  std::string computer;
  std::string user;
  friend bool operator==(const LockHolder&, const LockHolder&) = default;
};

// The sessions recorded in a lock file of Access: slots of 64 bytes, the
// computer's name in the first 32 and the user's in the other 32, each
// ended by a zero byte (or filling its half). Empty slots, and slots that
// hold no readable name, are left out; names come back as UTF-8 (the
// bytes taken as Windows-1252 Latin letters). Empty when the file cannot
// be read.
std::vector<LockHolder> readLockFile(const std::string& path);

// The lock file beside the database at `databasePath`, when one exists:
// the database's name with .laccdb for Access 2007 and later, .ldb before.
std::optional<std::string> lockFileBeside(const std::string& databasePath);

// Why changes to `table` could not keep its indexes right: a column of an
// index sorts text in an order whose keys cannot be made. Empty when none.
std::string unsortableIndexReason(FileFormat format, const TableSchema& table);

// The notice for a table that opens for viewing only, from the reason the
// engine or unsortableIndexReason gave. `databasePath` is where to look for
// a lock file.
std::string viewOnlyNotice(const std::string& reason, const std::string& databasePath);

}  // namespace ledgerfen::data
