// Makes a new, empty database from nothing, as the Jet engine does when a
// program asks it for one: the header, the global usage map and the four
// system tables with the catalogue rows and permissions of a new database.
//
// The file is built under a temporary name beside the target and put in
// place only when complete, so a failure leaves no half-made database.
#pragma once

#include <string>

#include "ledgerfen/env.h"
#include "ledgerfen/file_format.h"

namespace ledgerfen::db {

Status createDatabase(Env& env, const std::string& path, FileFormat format);

}  // namespace ledgerfen::db
