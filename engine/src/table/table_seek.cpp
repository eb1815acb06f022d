// Table::seek and Table::find: rows through an index.
#include <algorithm>
#include <cctype>

#include "db/exception_barrier.h"
#include "index/index_tree.h"
#include "index/key_encoder.h"
#include "table/row_cursor_state.h"
#include "table/table_state.h"

namespace ledgerfen {
namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
         });
}

const Index* findIndex(const TableSchema& schema, std::string_view name) {
  for (const Index& i : schema.indexes) {
    if (i.name == name) return &i;
  }
  for (const Index& i : schema.indexes) {
    if (equalNoCase(i.name, name)) return &i;
  }
  return nullptr;
}

Result<std::optional<index::KeyBound>> encodeBound(const index::KeyEncoder& encoder,
                                                   const std::optional<IndexBound>& bound) {
  if (!bound) return std::optional<index::KeyBound>();
  index::KeyBound key;
  key.inclusive = bound->inclusive;
  key.partial = bound->values.size() < encoder.columns().size();
  LF_RETURN_IF_ERROR(encoder.encodeValues(bound->values, key.key));
  return std::optional(std::move(key));
}

}  // namespace

Result<RowCursor> Table::seek(std::string_view indexName, const IndexRange& range, std::vector<size_t> columns) const {
  return db::withoutExceptions([&]() -> Result<RowCursor> {
    Database::Core& core = *state_->core;
    const TableSchema& schema = state_->definition->schema;
    const Index* found = findIndex(schema, indexName);
    if (!found) {
      return core.inFile(
          Error(ErrorKind::NotFound, "table " + schema.name + " has no index named " + std::string(indexName)));
    }
    const std::string context = "table " + schema.name + ", index " + found->name;
    auto fail = [&](const Error& e) { return core.inFile(e.withContext(context)); };
    for (size_t position : columns) {
      if (position >= schema.columns.size()) {
        return fail(
            Error(ErrorKind::InvalidArgument, "column position " + std::to_string(position) + " is out of range"));
      }
    }
    // The root moves when the tree grows or shrinks: it is taken from the
    // database's current definition, not from the one the table was opened with.
    auto current = core.definition(state_->definitionPage, state_->name);
    if (!current) return fail(current.error());
    if (found->realIndex >= (*current)->realIndexes.size()) {
      return fail(Error(ErrorKind::Corrupt, "the definition no longer holds the index"));
    }
    const tdef::RealIndex& real = (*current)->realIndexes[found->realIndex];

    // Keys are only needed for bounds, so an index whose keys cannot be made
    // can still be read whole, in its order.
    std::optional<index::KeyBound> lower, upper;
    if (range.lower || range.upper) {
      auto encoder = index::KeyEncoder::create(core.header.format, schema, real.columns);
      if (!encoder) return fail(encoder.error());
      auto lowerKey = encodeBound(*encoder, range.lower);
      if (!lowerKey) return fail(lowerKey.error());
      auto upperKey = encodeBound(*encoder, range.upper);
      if (!upperKey) return fail(upperKey.error());
      lower = std::move(*lowerKey);
      upper = std::move(*upperKey);
    }

    index::IndexTree tree(*core.pager, *core.spec, state_->definitionPage, real.rootPage, &core.indexPages);
    auto start = tree.seek(lower);
    if (!start) return fail(start.error());
    auto reader = table::RowReader::create(state_->core, state_->definition);
    if (!reader) return fail(reader.error());
    table::IndexRowSource source(std::move(*start), std::move(upper), std::move(*reader), std::move(columns), context);
    return RowCursor(std::make_unique<RowCursor::State>(RowCursor::State{std::move(source), core.path, Row{}}));
  });
}

Result<RowCursor> Table::find(std::string_view indexName, std::vector<Value> key, std::vector<size_t> columns) const {
  IndexRange range;
  range.lower = IndexBound{key, true};
  range.upper = IndexBound{std::move(key), true};
  return seek(indexName, range, std::move(columns));
}

}  // namespace ledgerfen
