// Offsets and sizes that differ between Jet3 and Jet4/ACE.
//
// Every layout constant the decoders use lives here, named as in
// docs/file-format.md, so that no other file spells a raw offset that depends
// on the version. Offsets are from the start of a page, a table definition or
// a descriptor, as each group says.
#pragma once

#include <cstdint>

#include "ledgerfen/file_format.h"

namespace ledgerfen::format {

// Page types (byte 0 of every page).
inline constexpr uint8_t kPageHeader = 0x00;
inline constexpr uint8_t kPageData = 0x01;
inline constexpr uint8_t kPageTableDef = 0x02;
inline constexpr uint8_t kPageIndexNode = 0x03;
inline constexpr uint8_t kPageIndexLeaf = 0x04;
inline constexpr uint8_t kPageUsageBitmap = 0x05;

// Row-offset word flags on data pages.
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowLookupFlag = 0x4000;   // body is a pointer to the row's new home
inline constexpr uint16_t kRowDeletedFlag = 0x8000;  // alone: the target of such a pointer

// Page 2 always holds the definition of MSysObjects.
inline constexpr uint32_t kCatalogTableDefPage = 2;
inline constexpr uint32_t kGlobalUsageMapPage = 1;

struct FormatSpec {
  FileFormat format;
  bool jet3;
  uint32_t pageSize;

  // Header page (page 0).
  uint32_t headerMaskedLength;  // bytes from headerMaskStart XOR-ed with the header mask

  // Data pages (type 0x01), also long-value pages.
  uint32_t dataFreeSpace;      // 2 bytes
  uint32_t dataOwner;          // 4 bytes: TDEF page, or "LVAL"
  uint32_t dataRowCount;       // 2 bytes
  uint32_t dataHeaderSize;     // first row-offset word
  uint32_t maxRowSize;         // longest row a data page may hold
  uint32_t longValueFragment;  // payload of a full chained long-value row, without its pointer

  // Table definition (type 0x02), relative to the assembled definition.
  uint32_t tdefLength;             // 4 bytes
  uint32_t tdefRowCount;           // 4 bytes
  uint32_t tdefAutoNumber;         // 4 bytes: last Long AutoNumber handed out
  uint32_t tdefComplexAutoNumber;  // 4 bytes (Jet4 layout; used by ACE): last complex-column key
  uint32_t tdefTableType;          // 1 byte: 'N' user, 'S' system
  uint32_t tdefMaxColumns;         // 2 bytes: column numbers ever used
  uint32_t tdefVarColumns;         // 2 bytes
  uint32_t tdefColumnCount;        // 2 bytes
  uint32_t tdefIndexCount;         // 4 bytes: logical indexes
  uint32_t tdefRealIndexCount;     // 4 bytes
  uint32_t tdefOwnedPagesMap;      // 4 bytes: packed row pointer
  uint32_t tdefFreePagesMap;       // 4 bytes: packed row pointer
  uint32_t tdefHeaderSize;         // first byte of the body
  uint32_t realIndexCounterSize;

  // Column descriptor, relative to its start.
  uint32_t columnDescriptorSize;
  uint32_t columnType;         // 1 byte
  uint32_t columnNumber;       // 2 bytes
  uint32_t columnVarIndex;     // 2 bytes
  uint32_t columnSortOrder;    // 2 bytes: LCID (text)
  uint32_t columnSortVersion;  // Jet3: 2 bytes code page; Jet4: 1 byte at +1 is the sort version
  uint32_t columnPrecision;    // 1 byte (Numeric)
  uint32_t columnScale;        // 1 byte (Numeric)
  uint32_t columnComplexId;    // 4 bytes (Complex, ACE)
  uint32_t columnFlags;        // 1 byte
  uint32_t columnExtFlags;     // 1 byte, Jet4 and later only (0 = absent)
  uint32_t columnFixedOffset;  // 2 bytes
  uint32_t columnLength;       // 2 bytes
  uint32_t nameLengthSize;     // 1 (Jet3, code page) or 2 (Jet4, UCS-2)

  // Real index definition, relative to its start.
  uint32_t realIndexSize;
  uint32_t realIndexColumns;  // 10 x {2 bytes column number, 1 byte order}
  uint32_t realIndexUsageMap;
  uint32_t realIndexRootPage;
  uint32_t realIndexFlags;

  // Logical index definition, relative to its start.
  uint32_t logicalIndexSize;
  uint32_t logicalIndexNumber;
  uint32_t logicalIndexRealNumber;
  uint32_t logicalIndexKind;  // 0 normal, 1 primary key, 2 foreign key
  // Relationships (foreign keys) kept by a logical index.
  uint32_t logicalIndexRelatedSide;    // 1 byte: 1 the referenced table, 2 the referencing one
  uint32_t logicalIndexRelatedIndex;   // 4 bytes: logical index number in the other table
  uint32_t logicalIndexRelatedTable;   // 4 bytes: definition page of the other table
  uint32_t logicalIndexCascadeUpdate;  // 1 byte: 0x01 cascade updates
  uint32_t logicalIndexCascadeDelete;  // 1 byte: 0x01 cascade deletes, 0x02 set NULL on delete

  // Index pages (types 0x03 and 0x04).
  uint32_t indexFreeSpace;         // 2 bytes: page size minus the end of the last entry
  uint32_t indexOwner;             // 4 bytes: definition page of the owning table
  uint32_t indexPrevPage;          // 4 bytes: previous page of the same level, 0 = none
  uint32_t indexNextPage;          // 4 bytes: next page of the same level, 0 = none
  uint32_t indexTailPage;          // 4 bytes: node pages: the rightmost child
  uint32_t indexPrefixLength;      // bytes every entry shares with the first
  uint32_t indexPrefixLengthSize;  // 1 (Jet3) or 2
  uint32_t indexNodeFlag;          // 1 byte: 1 on node pages, 0 on leaves
  uint32_t indexEntryMask;         // bitmap: bit k set = an entry ends k bytes into the entries
  uint32_t indexEntryMaskSize;
  uint32_t indexEntriesStart;

  // Rows.
  uint32_t rowCountSize;  // column count, var count and var offsets: 1 (Jet3) or 2 bytes
};

// The layout of a format; Jet4 and every ACE version share one.
const FormatSpec& formatSpec(FileFormat format);

}  // namespace ledgerfen::format
