// What the sample database holds: a small shop's customers, products,
// orders and order lines. Rows are given as the engine's value text (see
// value_text.h), NULL as std::nullopt, so the data reads like a table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ledgerfen/table_spec.h"

namespace ledgerfen::sample {

using TextRow = std::vector<std::optional<std::string>>;

struct SampleTable {
  TableSpec spec;
  // Values for the columns in `columns` order (AutoNumbers left out).
  std::vector<std::string> columns;
  std::vector<TextRow> rows;
};

std::vector<SampleTable> sampleTables();

}  // namespace ledgerfen::sample
