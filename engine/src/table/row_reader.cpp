#include "table/row_reader.h"

namespace ledgerfen::table {
namespace {

// A moved row points at its new home; a damaged file could chain pointers,
// so only a few hops are followed.
constexpr int kMaxMoveHops = 8;

std::string rowName(format::RowPointer at) {
  return "data page " + std::to_string(at.page) + ": row " + std::to_string(at.row);
}

}  // namespace

Result<RowReader> RowReader::create(std::shared_ptr<Database::Core> core,
                                    std::shared_ptr<const tdef::TableDefinition> def) {
  LF_ASSIGN_OR_RETURN(row::ValueDecoder decoder,
                      row::ValueDecoder::create(*core->pager, *core->spec, *def, core->codePage));
  return RowReader(std::move(core), std::move(def), std::move(decoder));
}

RowReader::RowReader(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
                     row::ValueDecoder decoder)
    : core_(std::move(core)), def_(std::move(def)), layout_(*core_->spec, *def_), decoder_(std::move(decoder)) {}

Result<row::RowBytes> RowReader::follow(format::Bytes bytes, RowLocation& location) {
  for (int hop = 0; hop < kMaxMoveHops; ++hop) {
    if (bytes.size() < 4)
      return Error(ErrorKind::Corrupt, rowName(location.home) + ": a moved row's pointer is cut short");
    auto target = format::RowPointer::unpack(format::u32le(bytes, 0));
    LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(target.page));
    LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, page));
    if (data.owner() != def_->schema.definitionPage) {
      return Error(ErrorKind::Corrupt, rowName(location.home) + ": a moved row points into another table's page");
    }
    LF_ASSIGN_OR_RETURN(bytes, data.row(target.row));
    location.moved = target;
    if (!data.isLookup(target.row)) return row::RowBytes{std::move(page), bytes};
  }
  return Error(ErrorKind::Corrupt, rowName(location.home) + ": a moved row's pointers go round in circles");
}

Result<RowLocation> RowReader::read(RowId id, Row& row, const std::vector<size_t>& wanted) {
  RowLocation location{format::RowPointer{id.page, uint8_t(id.row)}, std::nullopt};
  auto missing = [&] {
    return Error(ErrorKind::NotFound, "table " + def_->schema.name + ": " + rowName(location.home) + " holds no row");
  };
  if (id.row > 255) return missing();
  LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(id.page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, page));
  if (data.owner() != def_->schema.definitionPage || id.row >= data.rowCount() || data.isDeleted(id.row) ||
      data.isOverflowTarget(id.row)) {
    return missing();
  }
  LF_ASSIGN_OR_RETURN(format::Bytes bytes, data.row(id.row));
  held_ = row::RowBytes{page, bytes};
  if (data.isLookup(id.row)) {
    LF_ASSIGN_OR_RETURN(held_, follow(bytes, location));
  }
  row.id = id;
  LF_RETURN_IF_ERROR(decode(held_.bytes, row, wanted));
  return location;
}

Status RowReader::readStored(RowId at, Row& row, const std::vector<size_t>& wanted) {
  const format::RowPointer where{at.page, uint8_t(at.row)};
  LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(at.page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, page));
  if (at.row > 255 || data.owner() != def_->schema.definitionPage || at.row >= data.rowCount() ||
      data.isDeleted(at.row) || data.isLookup(at.row)) {
    return Error(ErrorKind::NotFound, "table " + def_->schema.name + ": " + rowName(where) + " holds no row");
  }
  LF_ASSIGN_OR_RETURN(format::Bytes bytes, data.row(at.row));
  held_ = row::RowBytes{page, bytes};
  row.id = at;
  return decode(held_.bytes, row, wanted);
}

Status RowReader::decode(format::Bytes bytes, Row& row, const std::vector<size_t>& wanted) {
  const size_t columns = def_->schema.columns.size();
  if (Status s = layout_.split(bytes, cells_); !s) return Error(ErrorKind::Corrupt, s.error().message());
  row.values.resize(columns);
  if (!wanted.empty() && wanted.size() != columns) {
    for (Value& v : row.values) v = std::monostate{};
  }
  auto decodeOne = [&](size_t position) -> Status {
    Status s = decoder_.decode(position, cells_[position], row.values[position]);
    if (!s) return Error(ErrorKind::Corrupt, s.error().message());
    return okStatus();
  };
  if (wanted.empty()) {
    for (size_t position = 0; position < columns; ++position) LF_RETURN_IF_ERROR(decodeOne(position));
  } else {
    for (size_t position : wanted) LF_RETURN_IF_ERROR(decodeOne(position));
  }
  return okStatus();
}

}  // namespace ledgerfen::table
