// What the database page needs of the table page: its list, to fill with
// the user tables, and showing it. The table page is loaded on first use.
#pragma once

#include <functional>

#include "ledgerfen/data/table_catalog.h"

namespace ledgerfen::shell {

class TablePage {
 public:
  virtual ~TablePage() = default;
  virtual data::TableListControl& tableListControl() = 0;
  virtual void showPage() = 0;
};

// Gives the table page, loading it (and running its load steps) the first time.
using TablePageLoader = std::function<TablePage&()>;

}  // namespace ledgerfen::shell
