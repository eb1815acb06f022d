// Reading a table on another thread while the record set that shows it goes
// on writing: the grid's sorting, filtering, searching and the gathering of
// row positions run beside the window.
//
// A database may be used by one thread at a time, so background work opens
// the same file again, for reading only (TableReader), and never touches
// the record set's own database. Two things keep it from reading a page in
// the middle of a write, or a page its cache kept from before one: the
// record set takes the WriteGate's write pass around each change, which
// waits until no reader is inside a piece of work and holds new pieces back
// until the change is done; and each change moves the gate's generation on,
// so a reader that starts its next piece after a change opens the file
// afresh (TableReader::refresh) before it reads on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ledgerfen/database.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

class WriteGate {
 public:
  // Held by a reader for one piece of work (a few thousand rows).
  class ReadPass {
   public:
    explicit ReadPass(WriteGate& gate);
    ~ReadPass();
    ReadPass(const ReadPass&) = delete;
    ReadPass& operator=(const ReadPass&) = delete;

   private:
    WriteGate& gate_;
  };

  // Held by the writer around one change. Writers go before readers that
  // have not started yet, so a change waits for at most one piece of work.
  class WritePass {
   public:
    explicit WritePass(WriteGate& gate);
    ~WritePass();
    WritePass(const WritePass&) = delete;
    WritePass& operator=(const WritePass&) = delete;

   private:
    WriteGate& gate_;
  };

  // How many changes have begun: a reader that saw another number before
  // may hold pages from before a change.
  uint64_t generation() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int readers_ = 0;
  int writersWaiting_ = 0;
  bool writing_ = false;
  uint64_t generation_ = 0;
};

// What background work needs to read the table a record set shows.
struct ReaderSource {
  std::string path;
  std::string password;
  std::string table;
  std::shared_ptr<WriteGate> gate;  // never null
};

// The table, opened read-only on a database of its own. One thread at a time.
class TableReader {
 public:
  static Result<TableReader> open(const ReaderSource& source);

  const ReaderSource& source() const { return source_; }
  Table& table() { return *table_; }
  const TableSchema& schema() const { return table_->schema(); }

  // Opens the file afresh when the record set has changed it since this
  // reader opened it. Call it at the start of every piece of work, holding
  // the read pass; true when the reader was opened afresh (cursors made
  // before must then be made again).
  Result<bool> refresh();

 private:
  TableReader() = default;
  Status openDatabase();

  ReaderSource source_;
  std::unique_ptr<Database> database_;
  std::optional<Table> table_;
  uint64_t generation_ = 0;
};

}  // namespace ledgerfen::data
