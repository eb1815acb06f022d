#include "table/table_scanner.h"

#include <numeric>

namespace ledgerfen::table {
namespace {

// A moved row points at its new home; a damaged file could chain pointers,
// so only a few hops are followed.
constexpr int kMaxMoveHops = 8;

}  // namespace

Result<TableScanner> TableScanner::open(std::shared_ptr<Database::Core> core,
                                        std::shared_ptr<const tdef::TableDefinition> def, ScanOrder order,
                                        std::vector<size_t> wanted) {
  LF_ASSIGN_OR_RETURN(usage::UsageMapCursor pages,
                      usage::UsageMapCursor::open(*core->pager, *core->spec, def->ownedPages));
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
  return TableScanner(std::move(core), std::move(def), order, std::move(pages), std::move(decoder), std::move(wanted));
}

TableScanner::TableScanner(std::shared_ptr<Database::Core> core, std::shared_ptr<const tdef::TableDefinition> def,
                           ScanOrder order, usage::UsageMapCursor pages, row::ValueDecoder decoder,
                           std::vector<size_t> wanted)
    : core_(std::move(core)),
      def_(std::move(def)),
      order_(order),
      pages_(std::move(pages)),
      layout_(*core_->spec, *def_),
      decoder_(std::move(decoder)),
      wanted_(std::move(wanted)) {}

std::string TableScanner::rowName() const {
  return "data page " + std::to_string(page_->number()) + ": row " + std::to_string(slot_);
}

Result<std::optional<format::Bytes>> TableScanner::currentRow() {
  const row::DataPage& page = *page_;
  if (page.isDeleted(slot_)) return std::optional<format::Bytes>();
  if (order_ == ScanOrder::Storage) {
    if (page.isLookup(slot_)) return std::optional<format::Bytes>();
    LF_ASSIGN_OR_RETURN(format::Bytes bytes, page.row(slot_));
    return std::optional(bytes);
  }
  if (page.isOverflowTarget(slot_)) return std::optional<format::Bytes>();  // read through its pointer
  LF_ASSIGN_OR_RETURN(format::Bytes bytes, page.row(slot_));
  if (!page.isLookup(slot_)) return std::optional(bytes);

  for (int hop = 0; hop < kMaxMoveHops; ++hop) {
    if (bytes.size() < 4) return Error(ErrorKind::Corrupt, rowName() + ": a moved row's pointer is cut short");
    auto target = format::RowPointer::unpack(format::u32le(bytes, 0));
    LF_ASSIGN_OR_RETURN(page::Page targetPage, core_->pager->read(target.page));
    LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, targetPage));
    if (data.owner() != def_->schema.definitionPage) {
      return Error(ErrorKind::Corrupt, rowName() + ": a moved row points into another table's page");
    }
    LF_ASSIGN_OR_RETURN(bytes, data.row(target.row));
    moved_ = row::RowBytes{std::move(targetPage), bytes};
    if (!data.isLookup(target.row)) return std::optional(bytes);
  }
  return Error(ErrorKind::Corrupt, rowName() + ": a moved row's pointers go round in circles");
}

Status TableScanner::decodeRow(format::Bytes bytes, Row& row) {
  if (Status s = layout_.split(bytes, cells_); !s) return Error(ErrorKind::Corrupt, rowName() + ": " + s.error().message());
  row.values.resize(def_->schema.columns.size());
  if (wanted_.size() != row.values.size()) {
    for (Value& v : row.values) v = std::monostate{};
  }
  for (size_t position : wanted_) {
    Status s = decoder_.decode(position, cells_[position], row.values[position]);
    if (!s) return Error(ErrorKind::Corrupt, rowName() + ": " + s.error().message());
  }
  return okStatus();
}

Result<bool> TableScanner::next(Row& row, bool decode) {
  Result<bool> r = nextRow(row, decode);
  if (!r) return r.error().withContext("table " + def_->schema.name);
  return r;
}

Result<bool> TableScanner::nextRow(Row& row, bool decode) {
  while (true) {
    if (page_ && nextSlot_ < page_->rowCount()) {
      slot_ = nextSlot_++;
      LF_ASSIGN_OR_RETURN(std::optional<format::Bytes> bytes, currentRow());
      if (!bytes) continue;
      row.id = RowId{page_->number(), slot_};
      if (decode) LF_RETURN_IF_ERROR(decodeRow(*bytes, row));
      return true;
    }
    LF_ASSIGN_OR_RETURN(std::optional<uint32_t> pageNumber, pages_.next());
    if (!pageNumber) return false;
    LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(*pageNumber));
    LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, page));
    if (data.owner() != def_->schema.definitionPage) {
      return Error(ErrorKind::Corrupt, "its usage map lists page " +
                                           std::to_string(*pageNumber) + ", which belongs to another object");
    }
    page_ = std::move(data);
    nextSlot_ = 0;
  }
}

}  // namespace ledgerfen::table
