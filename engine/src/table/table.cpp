#include "table/table_scanner.h"
#include "table/table_state.h"

namespace ledgerfen {

struct RowCursor::State {
  table::TableScanner scanner;
  std::string path;
};

RowCursor::RowCursor(std::unique_ptr<State> state) : state_(std::move(state)) {}
RowCursor::RowCursor(RowCursor&&) noexcept = default;
RowCursor& RowCursor::operator=(RowCursor&&) noexcept = default;
RowCursor::~RowCursor() = default;

Result<bool> RowCursor::next(Row& row) {
  Result<bool> r = state_->scanner.next(row);
  if (!r) return r.error().withContext(state_->path);
  return r;
}

const TableSchema& Table::schema() const { return state_->definition->schema; }

Result<RowCursor> Table::scan(ScanOrder order, std::vector<size_t> columns) const {
  auto scanner = table::TableScanner::open(state_->core, state_->definition, order, std::move(columns));
  if (!scanner) return state_->core->inFile(scanner.error().withContext("table " + schema().name));
  return RowCursor(std::make_unique<RowCursor::State>(RowCursor::State{std::move(*scanner), state_->core->path}));
}

Result<uint64_t> Table::countRows(ScanOrder order) const {
  auto scanner = table::TableScanner::open(state_->core, state_->definition, order, {});
  if (!scanner) return state_->core->inFile(scanner.error().withContext("table " + schema().name));
  uint64_t count = 0;
  Row row;
  while (true) {
    Result<bool> more = scanner->next(row, /*decode=*/false);
    if (!more) return state_->core->inFile(more.error());
    if (!*more) return count;
    ++count;
  }
}

}  // namespace ledgerfen
