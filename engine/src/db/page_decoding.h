// Opening the pages of a database: checks the password the file asks for and
// installs the page codec for encoded or encrypted files.
#pragma once

#include <string>

#include "db/database_core.h"

namespace ledgerfen::db {

// Jet's own message for a wrong or missing password.
inline constexpr const char* kNotAValidPassword = "Not a valid password.";

Status setUpPageDecoding(Database::Core& core, const std::string& password);

}  // namespace ledgerfen::db
