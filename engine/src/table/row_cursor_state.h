// What a RowCursor reads from: a table scan or an index range.
#pragma once

#include <string>
#include <variant>

#include "table/index_row_source.h"
#include "table/table_scanner.h"

namespace ledgerfen {

struct RowCursor::State {
  std::variant<table::TableScanner, table::IndexRowSource> source;
  std::string path;  // the file, put in front of errors
  Row scratch;       // what skip() reads into
};

}  // namespace ledgerfen
