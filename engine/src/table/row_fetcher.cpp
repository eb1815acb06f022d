#include "table/row_fetcher.h"

#include <numeric>

namespace ledgerfen::table {
namespace {

// A moved row points at its new home; a damaged file could chain pointers,
// so only a few hops are followed.
constexpr int kMaxMoveHops = 8;

std::string rowName(uint32_t page, uint32_t row) {
  return "data page " + std::to_string(page) + ": row " + std::to_string(row);
}

}  // namespace

Result<RowFetcher> RowFetcher::open(std::shared_ptr<Database::Core> core,
                                    std::shared_ptr<const tdef::TableDefinition> def, std::vector<size_t> wanted) {
  LF_ASSIGN_OR_RETURN(row::ValueDecoder decoder,
                      row::ValueDecoder::create(*core->pager, *core->spec, *def, core->codePage));
  if (wanted.empty()) {
    wanted.resize(def->schema.columns.size());
    std::iota(wanted.begin(), wanted.end(), size_t(0));
  }
  for (size_t position : wanted) {
    if (position >= def->schema.columns.size()) {
      return Error(ErrorKind::InvalidArgument, "column position " + std::to_string(position) + " is out of range");
    }
  }
  return RowFetcher(std::move(core), std::move(def), std::move(decoder), std::move(wanted));
}

RowFetcher::RowFetcher(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
                       row::ValueDecoder decoder, std::vector<size_t> wanted)
    : core_(std::move(core)),
      def_(std::move(def)),
      layout_(*core_->spec, *def_),
      decoder_(std::move(decoder)),
      wanted_(std::move(wanted)) {}

Result<row::RowBytes> RowFetcher::locate(RowId id) {
  uint32_t page = id.page, slot = id.row;
  for (int hop = 0; hop <= kMaxMoveHops; ++hop) {
    LF_ASSIGN_OR_RETURN(page::Page bytes, core_->pager->read(page));
    LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, bytes));
    if (data.owner() != def_->schema.definitionPage) {
      return Error(ErrorKind::Corrupt, rowName(page, slot) + " belongs to another table");
    }
    if (slot >= data.rowCount()) return Error(ErrorKind::Corrupt, rowName(page, slot) + " does not exist");
    if (data.isDeleted(uint16_t(slot))) return Error(ErrorKind::Corrupt, rowName(page, slot) + " is deleted");
    LF_ASSIGN_OR_RETURN(format::Bytes row, data.row(uint16_t(slot)));
    if (!data.isLookup(uint16_t(slot))) return row::RowBytes{std::move(bytes), row};
    if (row.size() < 4) return Error(ErrorKind::Corrupt, rowName(page, slot) + ": a moved row's pointer is cut short");
    auto target = format::RowPointer::unpack(format::u32le(row, 0));
    page = target.page;
    slot = target.row;
  }
  return Error(ErrorKind::Corrupt, rowName(id.page, id.row) + ": a moved row's pointers go round in circles");
}

Status RowFetcher::fetch(RowId id, Row& row) {
  LF_ASSIGN_OR_RETURN(row::RowBytes bytes, locate(id));
  auto where = [&] { return rowName(id.page, id.row) + ": "; };
  if (Status s = layout_.split(bytes.bytes, cells_); !s)
    return Error(ErrorKind::Corrupt, where() + s.error().message());
  row.id = id;
  row.values.resize(def_->schema.columns.size());
  if (wanted_.size() != row.values.size()) {
    for (Value& v : row.values) v = std::monostate{};
  }
  for (size_t position : wanted_) {
    Status s = decoder_.decode(position, cells_[position], row.values[position]);
    if (!s) return Error(ErrorKind::Corrupt, where() + s.error().message());
  }
  return okStatus();
}

}  // namespace ledgerfen::table
