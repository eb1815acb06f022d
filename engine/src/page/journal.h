// The rollback journal: before pages of the database are overwritten, their
// stored images and the file's size are saved, durably, beside the database
// ("<database>-journal"). After the pages are written and flushed, the
// journal is marked finished: that is the commit point. A journal found
// unfinished when a database is opened is rolled back first, so a crash at
// any moment leaves the state before or after the commit, never a mixture.
//
// Layout: a 64-byte header (magic, page size, record count, original file
// size, a per-commit nonce), then one record per page: page number (4),
// checksum of nonce, number and bytes (8), the page as stored. A record
// whose checksum fails ends the journal (it was torn by a crash before the
// database was touched). A large transaction saves pages in several steps
// before its commit; each step is durable before any page it covers is
// overwritten. The file is kept between commits and removed when the
// database is closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "ledgerfen/env.h"

namespace ledgerfen::page {

class Journal {
 public:
  Journal(Env& env, std::string databasePath);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  static std::string pathFor(const std::string& databasePath) { return databasePath + "-journal"; }

  // Starts the journal of a transaction on a file of `originalSize` bytes.
  Status begin(uint32_t pageSize, uint64_t originalSize);
  bool begun() const { return pageSize_ != 0; }
  // Saves the stored images of those `pages` not saved yet, durably.
  Status save(File& db, const std::vector<uint32_t>& pages);
  // The commit point: marks the journal finished, durably; the transaction ends.
  Status finish();
  // Writes the saved images back into `db`, restores its size, then finishes.
  Status rollBack(File& db);
  // Removes the journal file (the database is being closed), unless it
  // still holds an unfinished transaction that could not be rolled back.
  void close();

  // True when the journal of `databasePath` holds an unfinished commit.
  static bool isUnfinished(Env& env, const std::string& databasePath);
  // Rolls `db` back from its unfinished journal, if there is one, and removes
  // the journal. Returns whether anything was rolled back.
  static Result<bool> recover(Env& env, const std::string& databasePath, File& db);

 private:
  Status openFile();

  Env& env_;
  std::string path_;
  std::unique_ptr<File> file_;
  // The commit under way: rollBack() replays it even after finish() has
  // marked the file finished (when the mark, but not its flush, went through).
  uint32_t pageSize_ = 0;  // 0: no transaction
  uint32_t records_ = 0;
  uint64_t originalSize_ = 0;
  uint64_t nonce_ = 0;
  std::unordered_set<uint32_t> saved_;
};

}  // namespace ledgerfen::page
