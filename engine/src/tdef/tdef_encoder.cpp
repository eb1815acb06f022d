#include "tdef/tdef_encoder.h"

#include <algorithm>

#include "format/bytes.h"

namespace ledgerfen::tdef {
namespace {

constexpr uint32_t kDefinitionMagic = 1625;
constexpr uint32_t kRealIndexMagic = 1923;
constexpr size_t kPageHeader = 8;
constexpr uint8_t kCascadeFiller = 0x04;  // what Access keeps in the cascade bytes of indexes without a relationship

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void u8(uint8_t v) { out_.push_back(v); }
  void u16(uint16_t v) {
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
  }
  void u32(uint32_t v) {
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
  }
  void bytes(std::span<const uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void zeros(size_t n) { out_.insert(out_.end(), n, 0); }

 private:
  std::vector<uint8_t>& out_;
};

// Puts `v` at `at` of a fixed-size record.
void put16(std::vector<uint8_t>& r, size_t at, uint16_t v) {
  format::put16le(&r[at], v);
}
void put32(std::vector<uint8_t>& r, size_t at, uint32_t v) {
  format::put32le(&r[at], v);
}

std::vector<uint8_t> columnDescriptor(const format::FormatSpec& spec, const Column& c, const ColumnLayout& layout) {
  std::vector<uint8_t> d(spec.columnDescriptorSize, 0);
  d[spec.columnType] = c.typeCode;
  put16(d, spec.columnNumber, c.number);
  put16(d, spec.columnVarIndex, layout.varIndex);
  if (!spec.jet3) put32(d, 1, kDefinitionMagic);
  // After the variable index Access keeps the column's number again.
  put16(d, spec.columnVarIndex + 2, c.number);
  if (spec.jet3) put16(d, 7, 1);
  if (c.type == ColumnType::Numeric) {
    d[spec.columnPrecision] = c.precision;
    d[spec.columnScale] = c.scale;
  } else if (c.type == ColumnType::Complex && spec.columnComplexId) {
    put32(d, spec.columnComplexId, uint32_t(c.complexId));
  } else {
    put16(d, spec.columnSortOrder, c.sortOrder.lcid);
    if (spec.jet3) {
      put16(d, spec.columnSortVersion, c.codePage);
    } else if (c.sortOrder.version > 0) {
      d[spec.columnSortVersion + 1] = uint8_t(c.sortOrder.version);
    }
  }
  d[spec.columnFlags] = layout.flags;
  if (spec.columnExtFlags) d[spec.columnExtFlags] = layout.extFlags;
  put16(d, spec.columnFixedOffset, layout.fixedOffset);
  put16(d, spec.columnLength, c.length);
  return d;
}

Status writeName(Writer& w, const format::FormatSpec& spec, const std::string& name, const text::CodePage* codePage) {
  std::vector<uint8_t> bytes;
  if (spec.jet3) {
    LF_ASSIGN_OR_RETURN(bytes, codePage->encode(name));
    if (bytes.size() > 255) return Error(ErrorKind::InvalidArgument, "the name " + name + " is too long");
    w.u8(uint8_t(bytes.size()));
  } else {
    bytes = text::encodeUcs2Text(name, false);
    w.u16(uint16_t(bytes.size()));
  }
  w.bytes(bytes);
  return okStatus();
}

}  // namespace

Result<std::vector<uint8_t>> encodeTableDefinition(const format::FormatSpec& spec, const TableDefinition& def,
                                                   const text::CodePage* jet3CodePage) {
  const TableSchema& schema = def.schema;
  std::vector<uint8_t> out(spec.tdefHeaderSize, 0);
  out[0] = format::kPageTableDef;
  out[1] = 0x01;
  if (spec.jet3) {
    out[2] = 'V';
    out[3] = 'C';
  } else {
    put32(out, 12, kDefinitionMagic);
    out[spec.tdefAutoNumber + 4] = 1;  // Access may hand out AutoNumbers
  }
  put32(out, spec.tdefRowCount, schema.rowCount);
  put32(out, spec.tdefAutoNumber, def.autoNumber);
  if (spec.tdefComplexAutoNumber) put32(out, spec.tdefComplexAutoNumber, def.complexAutoNumber);
  out[spec.tdefTableType] = schema.systemTable ? 'S' : 'N';
  uint16_t varColumns =
      uint16_t(std::count_if(schema.columns.begin(), schema.columns.end(), [](const Column& c) { return !c.fixed; }));
  put16(out, spec.tdefMaxColumns, def.maxColumns);
  put16(out, spec.tdefVarColumns, varColumns);
  put16(out, spec.tdefColumnCount, uint16_t(schema.columns.size()));
  put32(out, spec.tdefIndexCount, uint32_t(schema.indexes.size()));
  put32(out, spec.tdefRealIndexCount, uint32_t(def.realIndexes.size()));
  put32(out, spec.tdefOwnedPagesMap, def.ownedPages.packed());
  put32(out, spec.tdefFreePagesMap, def.freePages.packed());

  Writer w(out);
  for (const RealIndex& index : def.realIndexes) {
    w.u32(0);
    w.u32(index.uniqueEntryCount);
    if (!spec.jet3) w.u32(0);
  }
  for (size_t i = 0; i < schema.columns.size(); ++i) w.bytes(columnDescriptor(spec, schema.columns[i], def.layout[i]));
  for (const Column& c : schema.columns) LF_RETURN_IF_ERROR(writeName(w, spec, c.name, jet3CodePage));

  for (const RealIndex& index : def.realIndexes) {
    std::vector<uint8_t> d(spec.realIndexSize, 0);
    if (!spec.jet3) put32(d, 0, kRealIndexMagic);
    for (size_t k = 0; k < 10; ++k) {
      size_t at = spec.realIndexColumns + 3 * k;
      if (k < index.columns.size()) {
        put16(d, at, index.columns[k].columnNumber);
        d[at + 2] = index.columns[k].ascending ? 1 : 0;
      } else {
        put16(d, at, 0xFFFF);
      }
    }
    put32(d, spec.realIndexUsageMap, index.usageMap.packed());
    put32(d, spec.realIndexRootPage, index.rootPage);
    d[spec.realIndexFlags] = index.flags;
    w.bytes(d);
  }

  for (size_t i = 0; i < schema.indexes.size(); ++i) {
    const Index& index = schema.indexes[i];
    std::vector<uint8_t> d(spec.logicalIndexSize, 0);
    if (!spec.jet3) put32(d, 0, kDefinitionMagic);
    put32(d, spec.logicalIndexNumber, i < def.logicalNumbers.size() ? def.logicalNumbers[i] : uint32_t(i));
    put32(d, spec.logicalIndexRealNumber, index.realIndex);
    put32(d, spec.logicalIndexRelatedIndex, 0xFFFFFFFF);
    d[spec.logicalIndexCascadeUpdate] = kCascadeFiller;
    d[spec.logicalIndexCascadeDelete] = kCascadeFiller;
    for (const Relationship& r : def.relationships) {
      if (r.index != i) continue;
      d[spec.logicalIndexRelatedSide] = r.referencing ? 2 : 1;
      put32(d, spec.logicalIndexRelatedIndex, r.otherIndex);
      put32(d, spec.logicalIndexRelatedTable, r.otherTable);
      d[spec.logicalIndexCascadeUpdate] = r.cascadeUpdates ? 1 : 0;
      d[spec.logicalIndexCascadeDelete] = uint8_t((r.cascadeDeletes ? 1 : 0) | (r.cascadeNull ? 2 : 0));
    }
    d[spec.logicalIndexKind] = index.primaryKey   ? kLogicalIndexPrimaryKey
                               : index.foreignKey ? kLogicalIndexForeignKey
                                                  : 0;
    w.bytes(d);
  }
  for (const Index& index : schema.indexes) LF_RETURN_IF_ERROR(writeName(w, spec, index.name, jet3CodePage));

  for (const LongValueMaps& maps : def.longValueMaps) {
    w.u16(maps.columnNumber);
    w.u32(maps.ownedPages.packed());
    w.u32(maps.freePages.packed());
  }
  w.u16(0xFFFF);
  put32(out, spec.tdefLength, uint32_t(out.size()));
  return out;
}

size_t definitionPageCount(const format::FormatSpec& spec, size_t size) {
  if (size <= spec.pageSize) return 1;
  return 1 + (size - spec.pageSize + (spec.pageSize - kPageHeader) - 1) / (spec.pageSize - kPageHeader);
}

std::vector<std::vector<uint8_t>> definitionPages(const format::FormatSpec& spec, const std::vector<uint8_t>& bytes,
                                                  const std::vector<uint32_t>& pages) {
  std::vector<std::vector<uint8_t>> images;
  size_t at = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::vector<uint8_t> page(spec.pageSize, 0);
    size_t header = i == 0 ? 0 : kPageHeader;
    size_t take = std::min(bytes.size() - at, spec.pageSize - header);
    std::copy_n(bytes.begin() + long(at), take, page.begin() + long(header));
    at += take;
    page[0] = format::kPageTableDef;
    page[1] = 0x01;
    format::put32le(&page[4], i + 1 < pages.size() ? pages[i + 1] : 0);
    // Jet3 keeps "VC" where later versions keep the free space after the data.
    size_t data = take - (i == 0 ? kPageHeader : 0);
    if (spec.jet3) {
      page[2] = 'V';
      page[3] = 'C';
    } else {
      format::put16le(&page[2],
                      uint16_t(spec.pageSize - kPageHeader * 2 >= data ? spec.pageSize - kPageHeader * 2 - data : 0));
    }
    images.push_back(std::move(page));
  }
  return images;
}

}  // namespace ledgerfen::tdef
