// An open Access database: its catalogue, its tables and their rows.
//
// Database::open reads the header, checks the password and sets up page
// decoding; nothing else is read until asked for. Tables and cursors share
// ownership of the open file, so they stay valid after the Database object
// that made them is gone. A database and everything made from it may be used
// by one thread at a time.
//
// Reading never loads a whole table: a cursor holds the page it is on and a
// bounded page cache, whatever the size of the table.
//
// Writing: a database opened with `writable` takes an advisory lock on the
// file and keeps a lock file beside it, as Access does, so no other writer
// changes it meanwhile. Every change is atomic and durable when it returns:
// the old images of the pages it changes go to a rollback journal first, and
// a journal left by a crash is rolled back when the database is next opened.
// Between begin() and commit() changes are collected and written together;
// a change that fails there is undone alone and the others stay.
// When the file cannot be written (permissions, another writer, a lock file
// of Access), the database opens for reading only and every change fails
// with "Cannot update. Database or object is read-only.".
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ledgerfen/file_format.h"
#include "ledgerfen/schema.h"
#include "ledgerfen/status.h"
#include "ledgerfen/table_spec.h"
#include "ledgerfen/value.h"

namespace ledgerfen {

class Env;

struct OpenOptions {
  std::string password;
  bool writable = false;  // open for changes when the file allows it
  Env* env = nullptr;     // the file system; the real one when null
};

// Where a row lives; stable for the life of the row. Ids order rows as
// table scans give them.
struct RowId {
  uint32_t page = 0;
  uint16_t row = 0;
  friend auto operator<=>(const RowId&, const RowId&) = default;
};

// One object of the catalogue (the system table MSysObjects).
struct CatalogEntry {
  std::string name;
  int32_t id = 0;
  int32_t parentId = 0;
  int16_t type = 0;  // 1 local table, 4 linked ODBC table, 5 query, 6 linked Access table, ...
  int32_t flags = 0;
  RowId row;  // where its catalogue row is stored (a moved row at its new home)

  static constexpr int16_t kLocalTable = 1;
  static constexpr int16_t kLinkedOdbcTable = 4;
  static constexpr int16_t kQuery = 5;
  static constexpr int16_t kLinkedTable = 6;
  static constexpr uint32_t kSystemFlags = 0x80000002;

  uint32_t definitionPage() const { return uint32_t(id) & 0x00FFFFFF; }
  bool isLocalTable() const { return (type & 0x7F) == kLocalTable; }
  // A table a person made: local, not flagged as a system object, and not
  // named MSys* (Access leaves some system tables unflagged) or ~* (temporary).
  bool isUserTable() const;
};

// What every change to a database that can only be read fails with (Jet's words).
inline constexpr const char* kReadOnlyMessage = "Cannot update. Database or object is read-only.";

struct Row {
  RowId id;
  std::vector<Value> values;  // one per column of the schema, in its order
};

enum class ScanOrder {
  // Rows where Access finds them: a row that outgrew its page is read through
  // the pointer left at its first address, and carries that address.
  Logical,
  // Rows as stored: a moved row is read where it now lies. This is the order
  // of the canonical dump.
  Storage,
};

// One end of a search through an index: values for its first columns, in
// index order (all of them, or fewer to match every key that starts with
// them). Ends follow the index's order: on a descending column the lower
// end is the larger value.
struct IndexBound {
  std::vector<Value> values;
  bool inclusive = true;
};

// Keys from `lower` to `upper`; a missing end leaves the range open.
struct IndexRange {
  std::optional<IndexBound> lower;
  std::optional<IndexBound> upper;
};

// What checking one stored index against its table found.
struct IndexCheck {
  std::string index;     // its name (the first, when several names share the stored index)
  uint64_t entries = 0;  // leaf entries walked
  uint64_t rows = 0;     // live rows of the table
  uint64_t keysChecked = 0;
  uint64_t problems = 0;  // everything found wrong; the first few are described below
  std::vector<std::string> descriptions;
  std::vector<std::string> notes;  // drift that Access leaves in its own files
  std::string keysUnchecked;       // why keys could not be recomputed; empty when they were

  bool sound() const { return problems == 0; }
};

class RowCursor {
 public:
  RowCursor(RowCursor&&) noexcept;
  RowCursor& operator=(RowCursor&&) noexcept;
  ~RowCursor();

  // Reads the next row into `row`, reusing its storage. False at the end.
  Result<bool> next(Row& row);
  // Moves past the next row, giving only its id; a table scan does not
  // decode its values. False at the end.
  Result<bool> skip(RowId& id);

 private:
  friend class Table;
  struct State;
  explicit RowCursor(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

class Table {
 public:
  const TableSchema& schema() const;

  // The current values of one row; NotFound when it no longer exists.
  Result<Row> readRow(RowId id) const;

  // Adds a row. `values` holds one value per column (NULL for an AutoNumber
  // to be assigned). Returns the row as stored: its id and every value,
  // AutoNumbers included.
  Result<Row> insertRow(std::vector<Value> values);
  // Replaces the values of row `id`. `before` holds its values as the caller
  // read them: if the row changed since, nothing is written and the error is
  // a Conflict.
  Status updateRow(RowId id, const std::vector<Value>& before, std::vector<Value> after);
  // Deletes row `id`, provided it still holds `before` (else a Conflict).
  Status deleteRow(RowId id, const std::vector<Value>& before);

  // Streams the rows. `columns` limits decoding to the columns whose
  // positions it lists (the others are left NULL); empty decodes every one.
  Result<RowCursor> scan(ScanOrder order = ScanOrder::Logical, std::vector<size_t> columns = {}) const;
  // The same scan resumed at row `from`: the rows that a scan gives from
  // that row on (itself included, if it still exists). Scans give rows in
  // ascending order of their ids, so a caller that remembers the ids of
  // some rows can restart reading at any of them without reading those before.
  Result<RowCursor> scanFrom(RowId from, ScanOrder order = ScanOrder::Logical, std::vector<size_t> columns = {}) const;
  // Counts the rows a scan in `order` would give, without decoding values.
  Result<uint64_t> countRows(ScanOrder order = ScanOrder::Logical) const;

  // Streams the rows whose keys in the index named `index` lie in `range`,
  // in the index's order, found by descending its tree rather than reading
  // the table. Values compare as the index compares them: text by the
  // column's sort order (so without regard to case), NULL before any value.
  // Each value must be of its column's type, as scans return them, or NULL.
  Result<RowCursor> seek(std::string_view index, const IndexRange& range, std::vector<size_t> columns = {}) const;
  // The rows whose key equals `key`, values for the first columns of the index.
  Result<RowCursor> find(std::string_view index, std::vector<Value> key, std::vector<size_t> columns = {}) const;

  // Checks every stored index of the table: the tree's pages and links, the
  // order of the entries, that each entry's key is the one its row's values
  // give, and that every row is listed exactly once (rows whose indexed
  // values are all NULL are left out of ignore-nulls indexes). Reads the
  // whole table once per index. Damage is reported in the result; an error
  // means the table itself could not be read.
  Result<std::vector<IndexCheck>> checkIndexes() const;

 private:
  friend class Database;
  struct State;
  explicit Table(std::shared_ptr<const State> state) : state_(std::move(state)) {}
  std::shared_ptr<const State> state_;
};

// What the integrity check found: problems (damage) and notes (drift that
// Access tolerates, such as a stale row count).
struct IntegrityReport {
  std::vector<std::string> problems;
  std::vector<std::string> notes;
};

class Database {
 public:
  // Makes a new, empty database at `path` (which must not exist): Access
  // 2000 format (Jet4) or Access 2007 and later (ACE).
  static Status create(const std::string& path, FileFormat format, Env* env = nullptr);
  static Result<std::unique_ptr<Database>> open(const std::string& path, const OpenOptions& options = {});
  // Opens a database held in memory (tests, fuzzing).
  static Result<std::unique_ptr<Database>> openBytes(const std::string& name, std::span<const uint8_t> bytes,
                                                     const OpenOptions& options = {});
  ~Database();

  FileFormat format() const;
  const std::string& path() const;
  bool isReadOnly() const;
  // Why a database opened for writing can only be read ("" when it can be written).
  const std::string& readOnlyReason() const;

  // Collects the following changes into one transaction, written by commit().
  Status begin();
  Status commit();
  // Forgets every change since begin().
  void rollback();
  // The Windows code page of Jet3 text (also recorded, unused, in later formats).
  uint16_t codePage() const;

  // Every object of the catalogue, in storage order.
  Result<std::vector<CatalogEntry>> catalog();
  // Names of the user tables, in catalogue order.
  Result<std::vector<std::string>> userTableNames();
  // A table by name: the exact name first, then ignoring ASCII case, as Access does.
  Result<Table> table(std::string_view name);
  // Adds an empty table, registered in the catalogue as Access registers one.
  Result<Table> createTable(const TableSpec& spec);

  // Reads every structure of the file and reports what does not agree. In
  // strict mode, drift that Access tolerates is reported as a problem too.
  Result<IntegrityReport> checkIntegrity(bool strict = false);

  // The engine's own state of the open database; opaque outside the engine.
  struct Core;

 private:
  friend class DatabaseInternals;  // the engine's and its tests' way in (db/database_internals.h)
  explicit Database(std::shared_ptr<Core> core) : core_(std::move(core)) {}
  std::shared_ptr<Core> core_;
};

}  // namespace ledgerfen
