#include "write/table_writer.h"

#include <openssl/rand.h>

#include <algorithm>

#include "db/write_session.h"
#include "lval/long_value.h"
#include "row/data_page.h"
#include "row/data_page_editor.h"
#include "tdef/tdef_writer.h"
#include "usage/usage_map_writer.h"
#include "write/index_maintenance.h"
#include "write/relationships.h"
#include "write/value_encoder.h"

namespace ledgerfen::write {
namespace {

// A page stays in the table's free-space map while it can take a row this long.
constexpr size_t kUsefulFreeSpace = 64;

bool isLongValue(const Column& c) {
  return c.type == ColumnType::Memo || c.type == ColumnType::Ole;
}

Error notWritable(const Column& c) {
  return Error(ErrorKind::Constraint,
               "column " + c.name +
                   (c.calculated ? " is calculated by Access" : " holds attachments or several values") +
                   " and cannot be changed here");
}

// Jet's message for a NULL in a column whose Required property is Yes.
Error requiredValueMissing(const std::string& table, const Column& c) {
  return Error(ErrorKind::Constraint, "The field '" + table + "." + c.name +
                                          "' cannot contain a Null value because the Required property for this "
                                          "field is set to True. Enter a value in this field.");
}

Result<Guid> randomGuid() {
  Guid g;
  if (RAND_bytes(g.bytes.data(), int(g.bytes.size())) != 1) {
    return Error(ErrorKind::Io, "no random numbers to be had for a Replication ID");
  }
  g.bytes[7] = uint8_t((g.bytes[7] & 0x0F) | 0x40);  // version 4 (Data3 is little-endian)
  g.bytes[8] = uint8_t((g.bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return g;
}

}  // namespace

Result<TableWriter> TableWriter::open(std::shared_ptr<Database::Core> core, uint32_t definitionPage,
                                      const std::string& name, int depth) {
  if (!core->writable()) return Error(ErrorKind::ReadOnly, kReadOnlyMessage);
  LF_ASSIGN_OR_RETURN(auto def, core->mutableDefinition(definitionPage, name));
  LF_ASSIGN_OR_RETURN(table::RowReader reader, table::RowReader::create(core, def));
  return TableWriter(std::move(core), std::move(def), std::move(reader), depth);
}

Result<Row> TableWriter::read(RowId id) {
  Row row;
  auto where = reader_.read(id, row);
  if (!where) return where.error();
  return row;
}

// ---- building rows -----------------------------------------------------------

Result<Value> TableWriter::asStored(const Column& c, const Value& v) const {
  LF_ASSIGN_OR_RETURN(Value coerced, coerceValue(c, v));
  if (c.type == ColumnType::Boolean && isNull(coerced)) return Value(false);
  return padFixedLength(*core_->spec, c, std::move(coerced), core_->codePage.get());
}

const tdef::LongValueMaps* TableWriter::longValueMaps(size_t position) const {
  uint16_t number = def_->schema.columns[position].number;
  for (const tdef::LongValueMaps& maps : def_->longValueMaps) {
    if (maps.columnNumber == number) return &maps;
  }
  return nullptr;
}

Result<ByteString> TableWriter::buildRow(const Planned& plan) {
  const format::FormatSpec& spec = *core_->spec;
  const auto& columns = def_->schema.columns;
  std::vector<ColumnBytes> bytes(columns.size());
  std::vector<ByteString> longData(columns.size());
  std::vector<bool> outOfLine(columns.size(), false);

  for (size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    if (plan.kept[i]) {
      bytes[i] = *plan.kept[i];
      continue;
    }
    const Value& v = plan.values[i];
    if (c.type == ColumnType::Boolean) {
      const bool* yes = std::get_if<bool>(&v);
      bytes[i].present = yes && *yes;
      continue;
    }
    if (isNull(v)) continue;
    LF_ASSIGN_OR_RETURN(ByteString encoded, encodeValue(spec, c, v, core_->codePage.get()));
    bytes[i].present = true;
    if (isLongValue(c)) {
      longData[i] = std::move(encoded);
      outOfLine[i] = longData[i].size() > lval::kInlineLimit;
      // Until written, an out-of-line value takes the 12 bytes of its definition.
      bytes[i].bytes = outOfLine[i] ? ByteString(lval::kLongValueDefinitionSize, 0)
                                    : lval::LongValueWriter::inlineDefinition(longData[i]);
    } else {
      bytes[i].bytes = std::move(encoded);
    }
  }

  // Inline values that make the row too long move out of line, longest first.
  auto row = encodeRow(spec, *def_, bytes);
  while (!row && row.error().kind() == ErrorKind::Constraint) {
    size_t longest = columns.size();
    for (size_t i = 0; i < columns.size(); ++i) {
      if (!plan.kept[i] && isLongValue(columns[i]) && bytes[i].present && !outOfLine[i] &&
          (longest == columns.size() || longData[i].size() > longData[longest].size())) {
        longest = i;
      }
    }
    if (longest == columns.size()) {
      return Error(ErrorKind::Constraint,
                   "the row of table " + def_->schema.name + " is too large: " + row.error().message());
    }
    outOfLine[longest] = true;
    bytes[longest].bytes = ByteString(lval::kLongValueDefinitionSize, 0);
    row = encodeRow(spec, *def_, bytes);
  }
  if (!row) return row.error();

  bool anyOutOfLine = false;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!outOfLine[i]) continue;
    LF_ASSIGN_OR_RETURN(bytes[i].bytes, core_->writing->longValues->writeOutOfLine(longData[i], longValueMaps(i)));
    anyOutOfLine = true;
  }
  return anyOutOfLine ? encodeRow(spec, *def_, bytes) : row;
}

// ---- placing rows ------------------------------------------------------------

Result<format::RowPointer> TableWriter::addRow(std::span<const uint8_t> row, uint16_t flags, uint32_t avoidPage) {
  const format::FormatSpec& spec = *core_->spec;
  const uint32_t tablePage = def_->schema.definitionPage;
  auto tryPage = [&](uint32_t number) -> Result<std::optional<format::RowPointer>> {
    if (number == avoidPage) return std::optional<format::RowPointer>();
    LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(number));
    if (page.type() != format::kPageData || format::u32le(page.bytes(), spec.dataOwner) != tablePage) {
      return std::optional<format::RowPointer>();
    }
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, core_->pager->modify(number));
    row::DataPageEditor editor(spec, bytes);
    if (!editor.canAdd(row.size())) return std::optional<format::RowPointer>();
    LF_ASSIGN_OR_RETURN(uint16_t slot, editor.addRow(row, flags));
    return std::optional(format::RowPointer{number, uint8_t(slot)});
  };

  uint32_t& fill = core_->writing->fillPages[tablePage];
  std::optional<format::RowPointer> at;
  if (fill != 0) {
    LF_ASSIGN_OR_RETURN(at, tryPage(fill));
  }
  if (!at) {
    // Pages the free-space map offers, lowest first.
    usage::UsageMapWriter freeMap(*core_->pager, spec, def_->freePages, usage::MapKind::Owned);
    uint32_t from = 0;
    while (!at) {
      LF_ASSIGN_OR_RETURN(std::optional<uint32_t> candidate, freeMap.findSet(from, core_->pager->pageCount()));
      if (!candidate) break;
      from = *candidate + 1;
      LF_ASSIGN_OR_RETURN(at, tryPage(*candidate));
      // Too full for rows like this one: stop offering it.
      if (!at) LF_RETURN_IF_ERROR(freeMap.set(*candidate, false, *core_->writing->allocator));
    }
  }
  if (!at) {
    LF_ASSIGN_OR_RETURN(uint32_t number, core_->writing->allocator->allocate());
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, core_->pager->modify(number));
    row::DataPageEditor::initialize(spec, bytes, tablePage);
    usage::UsageMapWriter owned(*core_->pager, spec, def_->ownedPages, usage::MapKind::Owned);
    LF_RETURN_IF_ERROR(owned.set(number, true, *core_->writing->allocator));
    usage::UsageMapWriter freeMap(*core_->pager, spec, def_->freePages, usage::MapKind::Owned);
    LF_RETURN_IF_ERROR(freeMap.set(number, true, *core_->writing->allocator));
    LF_ASSIGN_OR_RETURN(at, tryPage(number));
    if (!at)
      return Error(ErrorKind::Constraint, "a row of " + std::to_string(row.size()) + " bytes does not fit a page");
  }
  fill = at->page;
  LF_RETURN_IF_ERROR(dropFromFreeSpaceMapWhenFull(at->page));
  return *at;
}

// A page that just took a row stays in the free-space map until it has no
// useful room left (a new page goes into the map as it is allocated).
Status TableWriter::dropFromFreeSpaceMapWhenFull(uint32_t page) {
  LF_ASSIGN_OR_RETURN(page::Page bytes, core_->pager->read(page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, bytes));
  if (data.rowCount() < row::kMaxRowsPerPage && data.freeSpace() >= kUsefulFreeSpace) return okStatus();
  usage::UsageMapWriter freeMap(*core_->pager, *core_->spec, def_->freePages, usage::MapKind::Owned);
  return freeMap.set(page, false, *core_->writing->allocator);
}

// Keeps `page` in the free-space map exactly while it has useful room.
Status TableWriter::adjustFreeSpaceMap(uint32_t page) {
  LF_ASSIGN_OR_RETURN(page::Page bytes, core_->pager->read(page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, bytes));
  bool room = data.rowCount() < row::kMaxRowsPerPage && data.freeSpace() >= kUsefulFreeSpace;
  usage::UsageMapWriter freeMap(*core_->pager, *core_->spec, def_->freePages, usage::MapKind::Owned);
  LF_ASSIGN_OR_RETURN(bool listed, freeMap.test(page));
  if (listed == room) return okStatus();
  return freeMap.set(page, room, *core_->writing->allocator);
}

// Empties the row at `at`, keeping its slot, flagged deleted.
Status TableWriter::removeRowBytes(format::RowPointer at) {
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, core_->pager->modify(at.page));
  row::DataPageEditor editor(*core_->spec, bytes);
  LF_RETURN_IF_ERROR(editor.replaceRow(at.row, {}));
  editor.setSlotFlags(at.row, format::kRowDeletedFlag | format::kRowLookupFlag);
  return okStatus();
}

// A data page whose rows are all deleted goes back to the file's free pages.
Status TableWriter::releaseIfEmpty(uint32_t page) {
  LF_ASSIGN_OR_RETURN(page::Page bytes, core_->pager->read(page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, bytes));
  for (uint16_t slot = 0; slot < data.rowCount(); ++slot) {
    if (!data.isDeleted(slot)) return adjustFreeSpaceMap(page);
  }
  usage::UsageMapWriter owned(*core_->pager, *core_->spec, def_->ownedPages, usage::MapKind::Owned);
  usage::UsageMapWriter freeMap(*core_->pager, *core_->spec, def_->freePages, usage::MapKind::Owned);
  LF_RETURN_IF_ERROR(owned.set(page, false, *core_->writing->allocator));
  LF_RETURN_IF_ERROR(freeMap.set(page, false, *core_->writing->allocator));
  if (core_->writing->fillPages[def_->schema.definitionPage] == page)
    core_->writing->fillPages.erase(def_->schema.definitionPage);
  return core_->writing->allocator->release(page);
}

Status TableWriter::placeUpdated(const table::RowLocation& location, const ByteString& row) {
  const format::RowPointer current = location.current();
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, core_->pager->modify(current.page));
  row::DataPageEditor editor(*core_->spec, bytes);
  size_t oldLength = editor.row(current.row).size();
  if (row.size() <= oldLength + editor.freeSpace()) return editor.replaceRow(current.row, row);
  // Move it: the new home is flagged as such, the first address points to it.
  LF_ASSIGN_OR_RETURN(format::RowPointer home, addRow(row, format::kRowDeletedFlag, current.page));
  if (location.moved) LF_RETURN_IF_ERROR(removeRowBytes(*location.moved));
  uint8_t pointer[4];
  format::put32le(pointer, home.packed());
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> first, core_->pager->modify(location.home.page));
  row::DataPageEditor firstEditor(*core_->spec, first);
  LF_RETURN_IF_ERROR(firstEditor.replaceRow(location.home.row, pointer));
  firstEditor.setSlotFlags(location.home.row, format::kRowLookupFlag);
  if (location.moved) LF_RETURN_IF_ERROR(releaseIfEmpty(location.moved->page));
  return adjustFreeSpaceMap(location.home.page);
}

Status TableWriter::writeCounters(int rowDelta) {
  const format::FormatSpec& spec = *core_->spec;
  def_->schema.rowCount = uint32_t(int64_t(def_->schema.rowCount) + rowDelta);
  LF_RETURN_IF_ERROR(tdef::patchDefinition32(*core_->pager, spec, *def_, spec.tdefRowCount, def_->schema.rowCount));
  LF_RETURN_IF_ERROR(tdef::patchDefinition32(*core_->pager, spec, *def_, spec.tdefAutoNumber, def_->autoNumber));
  if (spec.tdefComplexAutoNumber && isAce(spec.format)) {
    LF_RETURN_IF_ERROR(
        tdef::patchDefinition32(*core_->pager, spec, *def_, spec.tdefComplexAutoNumber, def_->complexAutoNumber));
  }
  return okStatus();
}

// ---- the three changes ---------------------------------------------------------

Result<Row> TableWriter::insert(std::vector<Value> values) {
  const auto& columns = def_->schema.columns;
  if (values.size() != columns.size()) {
    return Error(ErrorKind::InvalidArgument, "table " + def_->schema.name + " has " + std::to_string(columns.size()) +
                                                 " columns; " + std::to_string(values.size()) + " values were given");
  }
  Planned plan{std::move(values), std::vector<std::optional<ColumnBytes>>(columns.size())};
  for (size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    Value& v = plan.values[i];
    if (c.calculated) {
      if (!isNull(v)) return notWritable(c);
      continue;
    }
    if (c.type == ColumnType::Complex) {
      if (!isNull(v)) return notWritable(c);
      v = ComplexKey{int32_t(++def_->complexAutoNumber)};
      continue;
    }
    if (c.autoNumber && isNull(v)) {
      v = int32_t(++def_->autoNumber);
      continue;
    }
    if (c.guidAutoNumber && isNull(v)) {
      LF_ASSIGN_OR_RETURN(v, randomGuid());
      continue;
    }
    LF_ASSIGN_OR_RETURN(v, asStored(c, v));
    if (!c.nullable && isNull(v)) return requiredValueMissing(def_->schema.name, c);
    // A number given for an AutoNumber moves the counter on only when it is
    // ahead of it; a negative one must not wrap round to a huge counter.
    const int32_t* number = c.autoNumber ? std::get_if<int32_t>(&v) : nullptr;
    if (number && *number > int32_t(def_->autoNumber)) def_->autoNumber = uint32_t(*number);
  }
  IndexMaintenance indexes(*core_, *def_);
  LF_RETURN_IF_ERROR(indexes.check(plan.values, nullptr, format::RowPointer{}));
  LF_RETURN_IF_ERROR(Relationships(core_, *def_, depth_).checkReferences(plan.values, nullptr));
  LF_ASSIGN_OR_RETURN(ByteString row, buildRow(plan));
  LF_ASSIGN_OR_RETURN(format::RowPointer at, addRow(row, 0, 0));
  LF_RETURN_IF_ERROR(indexes.add(at, plan.values));
  LF_RETURN_IF_ERROR(writeCounters(+1));
  return Row{RowId{at.page, at.row}, std::move(plan.values)};
}

Status TableWriter::readLive(RowId id, const std::vector<Value>& before, Row& current, table::RowLocation& location,
                             std::vector<ColumnBytes>& stored) {
  const auto& columns = def_->schema.columns;
  if (before.size() != columns.size()) {
    return Error(ErrorKind::InvalidArgument,
                 "the row's earlier values do not match the columns of " + def_->schema.name);
  }
  auto where = reader_.read(id, current);
  if (!where) {
    if (where.error().kind() == ErrorKind::NotFound) {
      return Error(ErrorKind::Conflict, "the row was deleted by another program since it was read");
    }
    return where.error();
  }
  location = *where;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!sameValue(current.values[i], before[i])) {
      return Error(ErrorKind::Conflict, "the row was changed by another program since it was read (column " +
                                            columns[i].name + "); read it again before changing it");
    }
  }
  // Copy each column as stored: the page may change under the cell views.
  const auto& cells = reader_.cells();
  stored.resize(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) {
    stored[i].present = cells[i].present;
    stored[i].bytes.assign(cells[i].bytes.begin(), cells[i].bytes.end());
  }
  return okStatus();
}

Status TableWriter::update(RowId id, const std::vector<Value>& before, std::vector<Value> after) {
  const auto& columns = def_->schema.columns;
  if (after.size() != columns.size()) {
    return Error(ErrorKind::InvalidArgument, "table " + def_->schema.name + " has " + std::to_string(columns.size()) +
                                                 " columns; " + std::to_string(after.size()) + " values were given");
  }
  Row current;
  table::RowLocation location;
  std::vector<ColumnBytes> stored;
  LF_RETURN_IF_ERROR(readLive(id, before, current, location, stored));

  Planned plan{std::move(after), std::vector<std::optional<ColumnBytes>>(columns.size())};
  std::vector<size_t> replacedLongValues;
  bool changed = false;
  for (size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    if (isWritable(c)) {
      LF_ASSIGN_OR_RETURN(plan.values[i], asStored(c, plan.values[i]));
    }
    if (sameValue(plan.values[i], current.values[i])) {
      plan.kept[i] = stored[i];
      continue;
    }
    if (!isWritable(c)) return notWritable(c);
    if (c.autoNumber)
      return Error(ErrorKind::Constraint, "column " + c.name + " is an AutoNumber and cannot be changed");
    // Rows stored before the column became required may keep their NULL.
    if (!c.nullable && isNull(plan.values[i])) return requiredValueMissing(def_->schema.name, c);
    changed = true;
    if (isLongValue(c) && stored[i].present) replacedLongValues.push_back(i);
  }
  if (!changed) return okStatus();

  IndexMaintenance indexes(*core_, *def_);
  LF_RETURN_IF_ERROR(indexes.check(plan.values, &current.values, location.home));
  Relationships relationships(core_, *def_, depth_);
  LF_RETURN_IF_ERROR(relationships.checkReferences(plan.values, &current.values));
  for (size_t i : replacedLongValues)
    LF_RETURN_IF_ERROR(core_->writing->longValues->free(stored[i].bytes, longValueMaps(i)));
  LF_ASSIGN_OR_RETURN(ByteString row, buildRow(plan));
  LF_RETURN_IF_ERROR(placeUpdated(location, row));
  LF_RETURN_IF_ERROR(indexes.replace(location.home, current.values, plan.values));
  // Rows referring to the old key follow it once the new key exists.
  return relationships.afterKeyChange(current.values, plan.values);
}

Status TableWriter::erase(RowId id, const std::vector<Value>& before) {
  Row current;
  table::RowLocation location;
  std::vector<ColumnBytes> stored;
  LF_RETURN_IF_ERROR(readLive(id, before, current, location, stored));
  LF_RETURN_IF_ERROR(Relationships(core_, *def_, depth_).beforeDelete(current.values));
  IndexMaintenance indexes(*core_, *def_);
  LF_RETURN_IF_ERROR(indexes.remove(location.home, current.values));
  const auto& columns = def_->schema.columns;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (isLongValue(columns[i]) && stored[i].present) {
      LF_RETURN_IF_ERROR(core_->writing->longValues->free(stored[i].bytes, longValueMaps(i)));
    }
  }
  if (location.moved) {
    LF_RETURN_IF_ERROR(removeRowBytes(*location.moved));
    LF_RETURN_IF_ERROR(releaseIfEmpty(location.moved->page));
  }
  LF_RETURN_IF_ERROR(removeRowBytes(location.home));
  LF_RETURN_IF_ERROR(releaseIfEmpty(location.home.page));
  return writeCounters(-1);
}

}  // namespace ledgerfen::write
