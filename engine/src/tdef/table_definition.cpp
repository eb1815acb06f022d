#include "tdef/table_definition.h"

#include <algorithm>
#include <unordered_set>

namespace ledgerfen::tdef {
namespace {

using format::Bytes;
using format::fits;
using format::u16le;
using format::u32le;

// Reads the definition bytes: the first page whole, then each continuation
// page from byte 8.
Result<std::vector<uint8_t>> assemble(page::Pager& pager, uint32_t first, std::vector<uint32_t>& pages) {
  std::vector<uint8_t> bytes;
  std::unordered_set<uint32_t> seen;
  for (uint32_t p = first; p != 0;) {
    if (!seen.insert(p).second) {
      return Error(ErrorKind::Corrupt, "the chain of its pages loops back to page " + std::to_string(p));
    }
    LF_ASSIGN_OR_RETURN(page::Page page, pager.read(p));
    if (page.type() != format::kPageTableDef) {
      return Error(ErrorKind::Corrupt, "page " + std::to_string(p) + " is not a table definition page");
    }
    Bytes b = page.bytes();
    bytes.insert(bytes.end(), b.begin() + (pages.empty() ? 0 : 8), b.end());
    pages.push_back(p);
    p = u32le(b, 4);
  }
  return bytes;
}

// A cursor over the definition body that fails instead of reading past its end.
class Reader {
 public:
  Reader(Bytes bytes, size_t at) : bytes_(bytes), at_(at) {}

  Result<Bytes> take(uint64_t length, const char* what) {
    if (!fits(bytes_, at_, length)) {
      return Error(ErrorKind::Corrupt, std::string("the definition ends inside its ") + what);
    }
    Bytes out = bytes_.subspan(at_, length);
    at_ += length;
    return out;
  }
  size_t position() const { return at_; }
  size_t remaining() const { return bytes_.size() - at_; }

 private:
  Bytes bytes_;
  size_t at_;
};

Result<std::string> readName(Reader& r, const format::FormatSpec& spec, const NameDecoder& names) {
  LF_ASSIGN_OR_RETURN(Bytes lengthBytes, r.take(spec.nameLengthSize, "names"));
  size_t length = spec.nameLengthSize == 1 ? lengthBytes[0] : u16le(lengthBytes, 0);
  LF_ASSIGN_OR_RETURN(Bytes nameBytes, r.take(length, "names"));
  std::string name;
  names.decode(nameBytes, name);
  return name;
}

bool isLongValue(ColumnType t) {
  return t == ColumnType::Memo || t == ColumnType::Ole;
}

Column parseColumn(Bytes d, const format::FormatSpec& spec, ColumnLayout& layout) {
  Column c;
  c.typeCode = d[spec.columnType];
  c.type = isKnownColumnType(c.typeCode) ? ColumnType(c.typeCode) : ColumnType::Binary;
  c.number = u16le(d, spec.columnNumber);
  c.length = u16le(d, spec.columnLength);
  uint8_t flags = d[spec.columnFlags];
  uint8_t ext = spec.columnExtFlags ? d[spec.columnExtFlags] : 0;
  c.fixed = flags & kColumnFixed;
  // Access sets flag 0x02 on every column; whether NULL is refused is the
  // Required property, read with the table's properties.
  c.autoNumber = (flags & kColumnAutoNumber) && c.type == ColumnType::Long;
  // Access sets 0x40 on Text and Integer columns of some Access 97 and 2000
  // files too; it makes a GUID AutoNumber only of a Replication ID column.
  c.guidAutoNumber = (flags & kColumnGuidAutoNumber) && c.type == ColumnType::Guid;
  c.hyperlink = (flags & kColumnHyperlink) && c.type == ColumnType::Memo;
  c.compressedUnicode = ext & kColumnExtCompressed;
  c.calculated = ext & kColumnExtCalculated;
  if (c.type == ColumnType::Numeric) {
    c.precision = d[spec.columnPrecision];
    c.scale = d[spec.columnScale];
  }
  if (c.type == ColumnType::Text || c.type == ColumnType::Memo) {
    c.sortOrder.lcid = u16le(d, spec.columnSortOrder);
    if (spec.jet3) {
      c.sortOrder.version = -1;
      c.codePage = u16le(d, spec.columnSortVersion);
    } else {
      c.sortOrder.version = int8_t(d[spec.columnSortVersion + 1]);
    }
  }
  if (c.type == ColumnType::Complex && spec.columnComplexId) c.complexId = int32_t(u32le(d, spec.columnComplexId));
  layout.varIndex = u16le(d, spec.columnVarIndex);
  layout.fixedOffset = u16le(d, spec.columnFixedOffset);
  layout.flags = flags;
  layout.extFlags = ext;
  return c;
}

}  // namespace

void NameDecoder::decode(Bytes bytes, std::string& out) const {
  if (codePage) {
    codePage->decode(bytes, out);
  } else {
    text::decodeUcs2Text(bytes, out);
  }
}

Result<TableDefinition> readTableDefinition(page::Pager& pager, const format::FormatSpec& spec,
                                            const NameDecoder& names, uint32_t page) {
  std::vector<uint32_t> pages;
  LF_ASSIGN_OR_RETURN(std::vector<uint8_t> buffer, assemble(pager, page, pages));
  LF_ASSIGN_OR_RETURN(TableDefinition def, parseTableDefinition(spec, names, buffer));
  def.schema.definitionPage = page;
  def.pages = std::move(pages);
  return def;
}

Result<TableDefinition> parseTableDefinition(const format::FormatSpec& spec, const NameDecoder& names, Bytes b) {
  TableDefinition def;
  if (b.size() < spec.tdefHeaderSize) return Error(ErrorKind::Corrupt, "the definition is shorter than its header");

  def.schema.rowCount = u32le(b, spec.tdefRowCount);
  def.autoNumber = u32le(b, spec.tdefAutoNumber);
  if (spec.tdefComplexAutoNumber) def.complexAutoNumber = u32le(b, spec.tdefComplexAutoNumber);
  def.schema.systemTable = b[spec.tdefTableType] == 'S';
  def.maxColumns = u16le(b, spec.tdefMaxColumns);
  def.varColumnCount = u16le(b, spec.tdefVarColumns);
  uint16_t columnCount = u16le(b, spec.tdefColumnCount);
  uint32_t indexCount = u32le(b, spec.tdefIndexCount);
  uint32_t realIndexCount = u32le(b, spec.tdefRealIndexCount);
  def.ownedPages = format::RowPointer::unpack(u32le(b, spec.tdefOwnedPagesMap));
  def.freePages = format::RowPointer::unpack(u32le(b, spec.tdefFreePagesMap));
  if (indexCount > b.size() || realIndexCount > b.size()) {
    return Error(ErrorKind::Corrupt, "the definition declares more indexes than it can hold");
  }

  Reader r(b, spec.tdefHeaderSize);
  for (uint32_t i = 0; i < realIndexCount; ++i) {
    LF_ASSIGN_OR_RETURN(Bytes counter, r.take(spec.realIndexCounterSize, "index counters"));
    RealIndex index;
    index.counterOffset = r.position() - spec.realIndexCounterSize;
    index.uniqueEntryCount = u32le(counter, 4);
    def.realIndexes.push_back(std::move(index));
  }

  std::vector<std::pair<Column, ColumnLayout>> columns(columnCount);
  for (auto& [column, layout] : columns) {
    LF_ASSIGN_OR_RETURN(Bytes d, r.take(spec.columnDescriptorSize, "column descriptors"));
    column = parseColumn(d, spec, layout);
  }
  for (auto& [column, layout] : columns) {
    LF_ASSIGN_OR_RETURN(column.name, readName(r, spec, names));
  }

  for (RealIndex& index : def.realIndexes) {
    index.definitionOffset = r.position();
    LF_ASSIGN_OR_RETURN(Bytes d, r.take(spec.realIndexSize, "index definitions"));
    for (size_t k = 0; k < 10; ++k) {
      size_t at = spec.realIndexColumns + 3 * k;
      uint16_t number = u16le(d, at);
      if (number != 0xFFFF) index.columns.push_back(IndexColumn{number, d[at + 2] != 0});
    }
    index.usageMap = format::RowPointer::unpack(u32le(d, spec.realIndexUsageMap));
    index.rootPage = u32le(d, spec.realIndexRootPage);
    index.flags = d[spec.realIndexFlags];
  }

  for (uint32_t i = 0; i < indexCount; ++i) {
    LF_ASSIGN_OR_RETURN(Bytes d, r.take(spec.logicalIndexSize, "index definitions"));
    Index index;
    index.realIndex = u32le(d, spec.logicalIndexRealNumber);
    uint8_t kind = d[spec.logicalIndexKind];
    index.primaryKey = kind == 1;
    index.foreignKey = kind == 2;
    def.logicalNumbers.push_back(u32le(d, spec.logicalIndexNumber));
    if (index.foreignKey) {
      Relationship relationship;
      relationship.index = def.schema.indexes.size();
      relationship.referencing = d[spec.logicalIndexRelatedSide] == 2;
      relationship.otherIndex = u32le(d, spec.logicalIndexRelatedIndex);
      relationship.otherTable = u32le(d, spec.logicalIndexRelatedTable);
      relationship.cascadeUpdates = d[spec.logicalIndexCascadeUpdate] & 0x01;
      relationship.cascadeDeletes = d[spec.logicalIndexCascadeDelete] & 0x01;
      relationship.cascadeNull = d[spec.logicalIndexCascadeDelete] & 0x02;
      def.relationships.push_back(relationship);
    }
    if (index.realIndex >= def.realIndexes.size()) {
      return Error(ErrorKind::Corrupt, "index " + std::to_string(i) + " refers to a stored index that does not exist");
    }
    const RealIndex& real = def.realIndexes[index.realIndex];
    index.columns = real.columns;
    index.unique = real.flags & kIndexUnique;
    index.ignoreNulls = real.flags & kIndexIgnoreNulls;
    index.required = real.flags & kIndexRequired;
    def.schema.indexes.push_back(std::move(index));
  }
  for (Index& index : def.schema.indexes) {
    LF_ASSIGN_OR_RETURN(index.name, readName(r, spec, names));
  }

  // Memo/OLE columns may each carry their own page maps, ended by FF FF.
  size_t longValueColumns =
      size_t(std::count_if(columns.begin(), columns.end(), [](auto& c) { return isLongValue(c.first.type); }));
  for (size_t i = 0; i < longValueColumns && r.remaining() >= 10; ++i) {
    Bytes d = *r.take(10, "long value maps");
    if (u16le(d, 0) == 0xFFFF) break;
    def.longValueMaps.push_back(
        LongValueMaps{u16le(d, 0), format::RowPointer::unpack(u32le(d, 2)), format::RowPointer::unpack(u32le(d, 6))});
  }

  std::stable_sort(columns.begin(), columns.end(),
                   [](const auto& a, const auto& x) { return a.first.number < x.first.number; });
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0 && columns[i].first.number == columns[i - 1].first.number) {
      return Error(ErrorKind::Corrupt,
                   "two columns share the column number " + std::to_string(columns[i].first.number));
    }
    def.schema.columns.push_back(std::move(columns[i].first));
    def.layout.push_back(columns[i].second);
  }
  return def;
}

}  // namespace ledgerfen::tdef
