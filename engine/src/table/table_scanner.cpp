#include "table/table_scanner.h"

namespace ledgerfen::table {

Result<TableScanner> TableScanner::open(std::shared_ptr<Database::Core> core,
                                        std::shared_ptr<const tdef::TableDefinition> def, ScanOrder order,
                                        std::vector<size_t> wanted) {
  LF_ASSIGN_OR_RETURN(usage::UsageMapCursor pages,
                      usage::UsageMapCursor::open(*core->pager, *core->spec, def->ownedPages));
  LF_ASSIGN_OR_RETURN(RowReader reader, RowReader::create(core, def));
  for (size_t position : wanted) {
    if (position >= def->schema.columns.size()) {
      return Error(ErrorKind::InvalidArgument, "column position " + std::to_string(position) + " is out of range");
    }
  }
  return TableScanner(std::move(def), std::move(core), order, std::move(pages), std::move(reader), std::move(wanted));
}

TableScanner::TableScanner(std::shared_ptr<const tdef::TableDefinition> def, std::shared_ptr<Database::Core> core,
                           ScanOrder order, usage::UsageMapCursor pages, RowReader reader, std::vector<size_t> wanted)
    : def_(std::move(def)),
      core_(std::move(core)),
      order_(order),
      pages_(std::move(pages)),
      reader_(std::move(reader)),
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
  RowLocation location{format::RowPointer{page.number(), uint8_t(slot_)}, std::nullopt};
  LF_ASSIGN_OR_RETURN(moved_, reader_.follow(bytes, location));
  return std::optional(moved_.bytes);
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
      if (decode) {
        if (Status s = reader_.decode(*bytes, row, wanted_); !s) {
          return Error(ErrorKind::Corrupt, rowName() + ": " + s.error().message());
        }
      }
      return true;
    }
    LF_ASSIGN_OR_RETURN(std::optional<uint32_t> pageNumber, pages_.next());
    if (!pageNumber) return false;
    LF_RETURN_IF_ERROR(loadPage(*pageNumber));
  }
}

Status TableScanner::loadPage(uint32_t number) {
  LF_ASSIGN_OR_RETURN(page::Page page, core_->pager->read(number));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(*core_->spec, page));
  if (data.owner() != def_->schema.definitionPage) {
    return Error(ErrorKind::Corrupt,
                 "its usage map lists page " + std::to_string(number) + ", which belongs to another object");
  }
  page_ = std::move(data);
  nextSlot_ = 0;
  return okStatus();
}

Status TableScanner::startAt(RowId from) {
  while (true) {
    auto pageNumber = pages_.next();
    if (!pageNumber) return pageNumber.error().withContext("table " + def_->schema.name);
    if (!*pageNumber) {
      page_.reset();
      return okStatus();
    }
    if (**pageNumber < from.page) continue;
    if (Status s = loadPage(**pageNumber); !s) return s.error().withContext("table " + def_->schema.name);
    if (**pageNumber == from.page) nextSlot_ = from.row;
    return okStatus();
  }
}

}  // namespace ledgerfen::table
