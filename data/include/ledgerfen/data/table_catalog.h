// The user tables of the database named on the database page: the
// connection string of the page's current fields, the list of the
// database's user tables, and the filling of the table page's list with
// them.
//
// TableCatalog holds references to the engine, the file test and the
// database page's fields; it keeps no connection of its own: every call
// opens the database afresh and releases it before it returns. One thread
// at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ledgerfen/data/data_engine.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

// The two fields of the database page that every open reads at that moment.
class DatabaseFields {
 public:
  virtual ~DatabaseFields() = default;
  virtual std::string databasePath() const = 0;
  virtual std::string databasePassword() const = 0;
};

// A list that shows table names (the table page's list).
class TableListControl {
 public:
  virtual ~TableListControl() = default;
  virtual void clear() = 0;
  virtual void addItem(const std::string& text) = 0;
  virtual int count() const = 0;
  // Makes entry `index` (from 0) the selected one.
  virtual void select(int index) = 0;
};

// Names of user tables in the order of the tables schema; nullopt when the
// path names no existing file.
using TableList = std::optional<std::vector<std::string>>;

class TableCatalog {
 public:
  TableCatalog(DataEngine& engine, const PathProbe& paths, const DatabaseFields& fields)
      : engine_(engine), paths_(paths), fields_(fields) {}

  // The connection string of the database page's current path and password.
  std::string connectionString() const;

  // The user tables: the tables schema's rows whose TABLE_TYPE is exactly
  // "TABLE", their TABLE_NAME unchanged. `path` serves only for the existence
  // test; the open uses connectionString(). Failures of the engine (wrong
  // password, damaged file) come back as errors.
  Result<TableList> listTables(const std::string& path) const;

  // Replaces the list's entries with the user tables and selects the first.
  // Leaves the list untouched when the file does not exist or the catalogue
  // cannot be read.
  Status fillTableList(TableListControl& list, const std::string& path) const;

 private:
  DataEngine& engine_;
  const PathProbe& paths_;
  const DatabaseFields& fields_;
};

}  // namespace ledgerfen::data
