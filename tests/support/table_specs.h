// Descriptions of new tables the tests create: one column of every type the
// database can hold, an AutoNumber primary key, and indexes of the kinds
// Access makes (text, numeric, several columns, descending, unique).
#pragma once

#include "ledgerfen/file_format.h"
#include "ledgerfen/table_spec.h"

namespace ledgerfen::test {

TableSpec everyTypeTable(const std::string& name, FileFormat format);

}  // namespace ledgerfen::test
