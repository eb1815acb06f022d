// A table definition (TDEF) as stored: the public schema plus the layout
// facts the row codec, the usage maps and the indexes need.
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "ledgerfen/schema.h"
#include "page/pager.h"
#include "text/text_codec.h"

namespace ledgerfen::tdef {

// Where a column lives in a row, and its flag bytes as stored.
struct ColumnLayout {
  uint16_t varIndex = 0;     // variable columns
  uint16_t fixedOffset = 0;  // fixed columns, from the byte after the column count
  uint8_t flags = 0;
  uint8_t extFlags = 0;
};

struct RealIndex {
  size_t definitionOffset = 0;  // of its definition in the assembled table definition
  size_t counterOffset = 0;     // of its unique-entry counter
  std::vector<IndexColumn> columns;
  format::RowPointer usageMap;
  uint32_t rootPage = 0;
  uint8_t flags = 0;
  uint32_t uniqueEntryCount = 0;
};

// One side of an enforced relationship, as a logical index of the table keeps it.
struct Relationship {
  size_t index = 0;          // position in schema.indexes
  bool referencing = false;  // this table's rows point to rows of the other table
  uint32_t otherTable = 0;   // definition page of the other table
  uint32_t otherIndex = 0;   // logical index number in the other table
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
  bool cascadeNull = false;  // deleting a referenced row sets the references to NULL
};

// Owned and free-space maps of one Memo/OLE column.
struct LongValueMaps {
  uint16_t columnNumber = 0;
  format::RowPointer ownedPages;
  format::RowPointer freePages;
};

struct TableDefinition {
  TableSchema schema;
  std::vector<ColumnLayout> layout;  // parallel to schema.columns
  std::vector<RealIndex> realIndexes;
  std::vector<uint32_t> logicalNumbers;  // parallel to schema.indexes
  std::vector<Relationship> relationships;
  std::vector<LongValueMaps> longValueMaps;
  format::RowPointer ownedPages;
  format::RowPointer freePages;
  uint16_t maxColumns = 0;
  uint16_t varColumnCount = 0;
  uint32_t autoNumber = 0;
  uint32_t complexAutoNumber = 0;  // ACE: last key handed to attachment / multi-value columns
  std::vector<uint32_t> pages;     // the definition's pages, first to last
};

// Flags of a logical index definition.
inline constexpr uint8_t kLogicalIndexPrimaryKey = 1;
inline constexpr uint8_t kLogicalIndexForeignKey = 2;

// Index flags in a real index definition.
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;

// Column flags in a column descriptor.
inline constexpr uint8_t kColumnFixed = 0x01;
inline constexpr uint8_t kColumnNullable = 0x02;  // set by Access on every column
inline constexpr uint8_t kColumnAutoNumber = 0x04;
inline constexpr uint8_t kColumnGuidAutoNumber = 0x40;  // meaningful on Replication ID columns only
inline constexpr uint8_t kColumnHyperlink = 0x80;
inline constexpr uint8_t kColumnExtCompressed = 0x01;
inline constexpr uint8_t kColumnExtCalculated = 0xC0;

// How names in a definition are decoded: UCS-2 (Jet4) or a code page (Jet3).
struct NameDecoder {
  const text::CodePage* codePage = nullptr;  // Jet3 only
  void decode(format::Bytes bytes, std::string& out) const;
};

// Reads the definition starting at `page`, following continuation pages.
Result<TableDefinition> readTableDefinition(page::Pager& pager, const format::FormatSpec& spec,
                                            const NameDecoder& names, uint32_t page);
// Parses assembled definition bytes (the first page whole, then each
// continuation page from byte 8).
Result<TableDefinition> parseTableDefinition(const format::FormatSpec& spec, const NameDecoder& names,
                                             format::Bytes bytes);

}  // namespace ledgerfen::tdef
