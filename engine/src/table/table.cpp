#include "db/exception_barrier.h"
#include "table/row_cursor_state.h"
#include "table/row_reader.h"
#include "table/table_scanner.h"
#include "table/table_state.h"
#include "write/table_writer.h"

namespace ledgerfen {

RowCursor::RowCursor(std::unique_ptr<State> state) : state_(std::move(state)) {}
RowCursor::RowCursor(RowCursor&&) noexcept = default;
RowCursor& RowCursor::operator=(RowCursor&&) noexcept = default;
RowCursor::~RowCursor() = default;

Result<bool> RowCursor::next(Row& row) {
  Result<bool> r =
      db::withoutExceptions([&] { return std::visit([&](auto& source) { return source.next(row); }, state_->source); });
  if (!r) return r.error().withContext(state_->path);
  return r;
}

Result<bool> RowCursor::skip(RowId& id) {
  return db::withoutExceptions([&]() -> Result<bool> {
    Result<bool> r = std::visit(
        [&](auto& source) -> Result<bool> {
          if constexpr (std::is_same_v<std::decay_t<decltype(source)>, table::TableScanner>) {
            return source.next(state_->scratch, /*decode=*/false);
          } else {
            return source.next(state_->scratch);
          }
        },
        state_->source);
    if (!r) return r.error().withContext(state_->path);
    if (*r) id = state_->scratch.id;
    return r;
  });
}

const TableSchema& Table::schema() const {
  return state_->definition->schema;
}

Result<RowCursor> Table::scan(ScanOrder order, std::vector<size_t> columns) const {
  return db::withoutExceptions([&]() -> Result<RowCursor> {
    auto scanner = table::TableScanner::open(state_->core, state_->definition, order, std::move(columns));
    if (!scanner) return state_->core->inFile(scanner.error().withContext("table " + schema().name));
    return RowCursor(
        std::make_unique<RowCursor::State>(RowCursor::State{std::move(*scanner), state_->core->path, Row{}}));
  });
}

Result<RowCursor> Table::scanFrom(RowId from, ScanOrder order, std::vector<size_t> columns) const {
  return db::withoutExceptions([&]() -> Result<RowCursor> {
    auto scanner = table::TableScanner::open(state_->core, state_->definition, order, std::move(columns));
    if (!scanner) return state_->core->inFile(scanner.error().withContext("table " + schema().name));
    if (Status s = scanner->startAt(from); !s) return state_->core->inFile(s.error());
    return RowCursor(
        std::make_unique<RowCursor::State>(RowCursor::State{std::move(*scanner), state_->core->path, Row{}}));
  });
}

Result<Row> Table::readRow(RowId id) const {
  return db::withoutExceptions([&]() -> Result<Row> {
    auto reader = table::RowReader::create(state_->core, state_->definition);
    if (!reader) return state_->core->inFile(reader.error());
    Row row;
    auto read = reader->read(id, row);
    if (!read) return state_->core->inFile(read.error());
    return row;
  });
}

namespace {

// Runs one change through a writer for the table, atomically.
template <typename Change>
Status changeTable(const std::shared_ptr<Database::Core>& core, uint32_t page, const std::string& name, Change change) {
  Status s = core->change([&]() -> Status {
    LF_ASSIGN_OR_RETURN(write::TableWriter writer, write::TableWriter::open(core, page, name));
    return change(writer);
  });
  if (!s && s.error().kind() != ErrorKind::ReadOnly && s.error().kind() != ErrorKind::Constraint &&
      s.error().kind() != ErrorKind::Conflict) {
    return core->inFile(s.error());
  }
  return s;
}

}  // namespace

Result<Row> Table::insertRow(std::vector<Value> values) {
  Row stored;
  LF_RETURN_IF_ERROR(
      changeTable(state_->core, state_->definitionPage, state_->name, [&](write::TableWriter& w) -> Status {
        LF_ASSIGN_OR_RETURN(stored, w.insert(std::move(values)));
        return okStatus();
      }));
  return stored;
}

Status Table::updateRow(RowId id, const std::vector<Value>& before, std::vector<Value> after) {
  return changeTable(state_->core, state_->definitionPage, state_->name,
                     [&](write::TableWriter& w) { return w.update(id, before, std::move(after)); });
}

Status Table::deleteRow(RowId id, const std::vector<Value>& before) {
  return changeTable(state_->core, state_->definitionPage, state_->name,
                     [&](write::TableWriter& w) { return w.erase(id, before); });
}

Result<uint64_t> Table::countRows(ScanOrder order) const {
  return db::withoutExceptions([&]() -> Result<uint64_t> {
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
  });
}

}  // namespace ledgerfen
