#include "format/format_spec.h"

namespace ledgerfen::format {
namespace {

constexpr FormatSpec kJet3 = {
    .format = FileFormat::Jet3,
    .jet3 = true,
    .pageSize = 2048,
    .headerMaskedLength = 126,
    .dataFreeSpace = 2,
    .dataOwner = 4,
    .dataRowCount = 8,
    .dataHeaderSize = 10,
    .maxRowSize = 2012,
    .longValueFragment = 2032,
    .tdefLength = 8,
    .tdefRowCount = 12,
    .tdefAutoNumber = 16,
    .tdefComplexAutoNumber = 0,
    .tdefTableType = 20,
    .tdefMaxColumns = 21,
    .tdefVarColumns = 23,
    .tdefColumnCount = 25,
    .tdefIndexCount = 27,
    .tdefRealIndexCount = 31,
    .tdefOwnedPagesMap = 35,
    .tdefFreePagesMap = 39,
    .tdefHeaderSize = 43,
    .realIndexCounterSize = 8,
    .columnDescriptorSize = 18,
    .columnType = 0,
    .columnNumber = 1,
    .columnVarIndex = 3,
    .columnSortOrder = 9,
    .columnSortVersion = 11,
    .columnPrecision = 11,
    .columnScale = 12,
    .columnComplexId = 0,
    .columnFlags = 13,
    .columnExtFlags = 0,
    .columnFixedOffset = 14,
    .columnLength = 16,
    .nameLengthSize = 1,
    .realIndexSize = 39,
    .realIndexColumns = 0,
    .realIndexUsageMap = 30,
    .realIndexRootPage = 34,
    .realIndexFlags = 38,
    .logicalIndexSize = 20,
    .logicalIndexNumber = 0,
    .logicalIndexRealNumber = 4,
    .logicalIndexKind = 19,
    .logicalIndexRelatedSide = 8,
    .logicalIndexRelatedIndex = 9,
    .logicalIndexRelatedTable = 13,
    .logicalIndexCascadeUpdate = 17,
    .logicalIndexCascadeDelete = 18,
    .indexFreeSpace = 2,
    .indexOwner = 4,
    .indexPrevPage = 8,
    .indexNextPage = 12,
    .indexTailPage = 16,
    .indexPrefixLength = 20,
    .indexPrefixLengthSize = 1,
    .indexNodeFlag = 21,
    .indexEntryMask = 22,
    .indexEntryMaskSize = 226,
    .indexEntriesStart = 248,
    .rowCountSize = 1,
};

constexpr FormatSpec kJet4 = {
    .format = FileFormat::Jet4,
    .jet3 = false,
    .pageSize = 4096,
    .headerMaskedLength = 128,
    .dataFreeSpace = 2,
    .dataOwner = 4,
    .dataRowCount = 12,
    .dataHeaderSize = 14,
    .maxRowSize = 4060,
    .longValueFragment = 4072,
    .tdefLength = 8,
    .tdefRowCount = 16,
    .tdefAutoNumber = 20,
    .tdefComplexAutoNumber = 28,
    .tdefTableType = 40,
    .tdefMaxColumns = 41,
    .tdefVarColumns = 43,
    .tdefColumnCount = 45,
    .tdefIndexCount = 47,
    .tdefRealIndexCount = 51,
    .tdefOwnedPagesMap = 55,
    .tdefFreePagesMap = 59,
    .tdefHeaderSize = 63,
    .realIndexCounterSize = 12,
    .columnDescriptorSize = 25,
    .columnType = 0,
    .columnNumber = 5,
    .columnVarIndex = 7,
    .columnSortOrder = 11,
    .columnSortVersion = 13,
    .columnPrecision = 11,
    .columnScale = 12,
    .columnComplexId = 11,
    .columnFlags = 15,
    .columnExtFlags = 16,
    .columnFixedOffset = 21,
    .columnLength = 23,
    .nameLengthSize = 2,
    .realIndexSize = 52,
    .realIndexColumns = 4,
    .realIndexUsageMap = 34,
    .realIndexRootPage = 38,
    .realIndexFlags = 46,
    .logicalIndexSize = 28,
    .logicalIndexNumber = 4,
    .logicalIndexRealNumber = 8,
    .logicalIndexKind = 23,
    .logicalIndexRelatedSide = 12,
    .logicalIndexRelatedIndex = 13,
    .logicalIndexRelatedTable = 17,
    .logicalIndexCascadeUpdate = 21,
    .logicalIndexCascadeDelete = 22,
    .indexFreeSpace = 2,
    .indexOwner = 4,
    .indexPrevPage = 12,
    .indexNextPage = 16,
    .indexTailPage = 20,
    .indexPrefixLength = 24,
    .indexPrefixLengthSize = 2,
    .indexNodeFlag = 26,
    .indexEntryMask = 27,
    .indexEntryMaskSize = 453,
    .indexEntriesStart = 480,
    .rowCountSize = 2,
};

template <FileFormat F>
constexpr FormatSpec withFormat(FormatSpec spec) {
  spec.format = F;
  return spec;
}

constexpr FormatSpec kAce12 = withFormat<FileFormat::Ace12>(kJet4);
constexpr FormatSpec kAce14 = withFormat<FileFormat::Ace14>(kJet4);
constexpr FormatSpec kAce15 = withFormat<FileFormat::Ace15>(kJet4);
constexpr FormatSpec kAce16 = withFormat<FileFormat::Ace16>(kJet4);
constexpr FormatSpec kAce17 = withFormat<FileFormat::Ace17>(kJet4);

}  // namespace

const FormatSpec& formatSpec(FileFormat format) {
  switch (format) {
    case FileFormat::Jet3: return kJet3;
    case FileFormat::Jet4: return kJet4;
    case FileFormat::Ace12: return kAce12;
    case FileFormat::Ace14: return kAce14;
    case FileFormat::Ace15: return kAce15;
    case FileFormat::Ace16: return kAce16;
    case FileFormat::Ace17: return kAce17;
  }
  return kJet4;
}

}  // namespace ledgerfen::format

namespace ledgerfen {

std::string_view fileFormatName(FileFormat format) {
  switch (format) {
    case FileFormat::Jet3: return "jet3";
    case FileFormat::Jet4: return "jet4";
    case FileFormat::Ace12: return "ace12";
    case FileFormat::Ace14: return "ace14";
    case FileFormat::Ace15: return "ace15";
    case FileFormat::Ace16: return "ace16";
    case FileFormat::Ace17: return "ace17";
  }
  return "unknown";
}

}  // namespace ledgerfen
