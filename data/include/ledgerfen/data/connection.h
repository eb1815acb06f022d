// A connection to one Access database file: made unopened, opened with a
// connection string (connection_string.h), asked for schema rowsets, and
// closed.
//
// Ownership: connections are made by a DataEngine as shared objects. The
// open database is itself shared, so whatever is later made over an open
// connection (a record set) can keep the connection, and with it the file,
// alive for as long as it needs. Releasing the last reference closes the
// file. A connection may be used by one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ledgerfen/data/connection_string.h"
#include "ledgerfen/data/rowset.h"
#include "ledgerfen/database.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

// How a connection opens its file: for reading only (reading the catalogue)
// or for changes too (record sets that write back), as far as the file
// allows; a file that cannot be written opens for reading.
enum class ConnectMode { Read = 1, ReadWrite = 3 };

// Schema rowsets a connection can give, numbered as the data-access
// components number them.
enum class Schema { Tables = 20 };

// Columns of the tables schema, in this order.
inline constexpr std::string_view kTableCatalog = "TABLE_CATALOG";
inline constexpr std::string_view kTableSchema = "TABLE_SCHEMA";
inline constexpr std::string_view kTableName = "TABLE_NAME";
inline constexpr std::string_view kTableType = "TABLE_TYPE";

// TABLE_TYPE values, as Jet reports them.
inline constexpr std::string_view kTypeTable = "TABLE";
inline constexpr std::string_view kTypeSystemTable = "SYSTEM TABLE";
inline constexpr std::string_view kTypeAccessTable = "ACCESS TABLE";
inline constexpr std::string_view kTypeView = "VIEW";
inline constexpr std::string_view kTypeLink = "LINK";
inline constexpr std::string_view kTypePassThrough = "PASS-THROUGH";

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Takes effect at the next open.
  ConnectMode mode() const { return mode_; }
  void setMode(ConnectMode mode) { mode_ = mode; }

  // Opens the file that the string's "Data Source" names with its password.
  // Both providers open every format the engine reads. Fails when the
  // connection is already open, the string is malformed or names another
  // provider, or the engine cannot open the file (its message unchanged:
  // "Not a valid password." for a wrong password).
  Status open(std::string_view connectionString);
  bool isOpen() const { return database_ != nullptr; }
  // Releases this connection's hold on the file; harmless when closed.
  void close();

  // The tables schema: one row per table-like object of the catalogue
  // (user, system and Access tables, select queries as views, linked
  // tables), ordered by TABLE_TYPE, then TABLE_NAME without regard to case.
  Result<Rowset> openSchema(Schema schema);

  // The open database, shared with whatever is made over this connection.
  std::shared_ptr<Database> database() const { return database_; }
  const ConnectionSettings& settings() const { return settings_; }

 private:
  ConnectMode mode_ = ConnectMode::Read;
  ConnectionSettings settings_;
  std::shared_ptr<Database> database_;
};

// The TABLE_TYPE under which the tables schema lists a catalogue entry, or
// empty when the entry is not table-like (forms, reports, action queries...).
std::string_view tableTypeOf(const CatalogEntry& entry);

}  // namespace ledgerfen::data
