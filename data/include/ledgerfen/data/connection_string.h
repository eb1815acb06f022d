// Connection strings: the text that names the provider, the database file
// and its password, built afresh from the database page's two fields on every
// open, and read back by Connection::open.
//
// Two forms exist, chosen by the path alone:
//   Provider=Microsoft.ACE.OLEDB.12.0;Data Source=P;JET OLEDB:Database Password=W
//   PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=P;JET OLEDB:Database Password=W
// P and W are inserted exactly as typed. Plain functions; thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/status.h"

namespace ledgerfen::data {

inline constexpr std::string_view kAceProvider = "Microsoft.ACE.OLEDB.12.0";
inline constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

// The ACE form when the last five characters of the path, lower-cased, are
// "accdb"; the Jet form otherwise. The password part is always present.
std::string buildConnectionString(std::string_view path, std::string_view password);

struct ConnectionSettings {
  std::string provider;
  std::string dataSource;
  std::string password;
};

// Reads a string of the two forms above. The keywords come in a fixed order
// and are matched without regard to case; "Data Source" runs up to the last
// ";JET OLEDB:Database Password=" and the password is the rest, so a path or
// password holding ";" or "=" comes back unchanged. The password part may be
// left out (empty password).
Result<ConnectionSettings> parseConnectionString(std::string_view text);

}  // namespace ledgerfen::data
