#include "row/row_layout.h"

#include <string>

namespace ledgerfen::row {
namespace {

// Bytes a fixed column of this type occupies, or 0 for types without a fixed size.
uint32_t fixedWidth(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Single:
    case ColumnType::Complex: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    case ColumnType::DateTimeExt: return 42;
    default: return 0;
  }
}

}  // namespace

RowLayout::RowLayout(const format::FormatSpec& spec, const tdef::TableDefinition& def) : spec_(spec), def_(def) {}

Status RowLayout::readTrailer(format::Bytes row, Trailer& t, std::vector<uint32_t>& offsets) const {
  const int64_t size = int64_t(row.size());
  const int64_t countSize = spec_.rowCountSize;
  if (size < countSize) return Error(ErrorKind::Corrupt, "the row is shorter than its column count");
  t.columnCount = countSize == 1 ? row[0] : format::u16le(row, 0);
  const int64_t maskSize = (int64_t(t.columnCount) + 7) / 8;
  int64_t trailerStart = size - maskSize;
  if (trailerStart < countSize) return Error(ErrorKind::Corrupt, "the row is shorter than its null mask");
  t.nullMask = row.subspan(size_t(trailerStart), size_t(maskSize));
  offsets.clear();
  t.varCount = 0;
  if (def_.varColumnCount > 0) {
    trailerStart -= countSize;
    if (trailerStart < countSize) return Error(ErrorKind::Corrupt, "the row is shorter than its variable column count");
    t.varCount = countSize == 1 ? row[size_t(trailerStart)] : format::u16le(row, size_t(trailerStart));
    const int64_t entries = int64_t(t.varCount) + 1;  // offsets of each column, then the end of data
    if (countSize == 2) {
      trailerStart -= 2 * entries;
      if (trailerStart < countSize) return Error(ErrorKind::Corrupt, "the row is shorter than its variable offsets");
      for (int64_t i = 0; i < entries; ++i) offsets.push_back(format::u16le(row, size_t(size - maskSize - 4 - 2 * i)));
    } else {
      // Jet3: one byte per offset, and a jump table marking which offsets
      // lie past each 256-byte boundary. The last jump may be a dummy.
      int64_t jumps = (size - 1) / 256;
      const int64_t jumpTable = size - maskSize - 2;  // jump[0], then jump[1] before it...
      const int64_t firstOffset = jumpTable - jumps;  // offset of var column 0
      if (firstOffset - entries + 1 < countSize)
        return Error(ErrorKind::Corrupt, "the row is shorter than its variable offsets");
      if (firstOffset - int64_t(t.varCount) < 256 * jumps) --jumps;
      int64_t used = 0;
      for (int64_t i = 0; i < entries; ++i) {
        while (used < jumps && i == row[size_t(jumpTable - used)]) ++used;
        offsets.push_back(uint32_t(row[size_t(firstOffset - i)] + 256 * used));
      }
      trailerStart = firstOffset - entries + 1;
    }
  }
  t.dataEnd = uint32_t(trailerStart);
  return okStatus();
}

Status RowLayout::split(format::Bytes row, std::vector<CellBytes>& cells) const {
  Trailer t;
  LF_RETURN_IF_ERROR(readTrailer(row, t, varOffsets_));

  const auto& columns = def_.schema.columns;
  cells.resize(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    CellBytes& cell = cells[i];
    cell.bytes = {};
    cell.present = c.number < t.columnCount && (t.nullMask[c.number / 8] >> (c.number % 8)) & 1;
    // A Boolean is its null-mask bit, except a calculated one, which is stored as data.
    if (!cell.present || (c.type == ColumnType::Boolean && !c.calculated)) continue;

    uint32_t start, end;
    if (c.fixed) {
      start = spec_.rowCountSize + def_.layout[i].fixedOffset;
      uint32_t width = fixedWidth(c.type);
      end = start + (width ? width : c.length);
      if (width && c.length < width && !c.calculated) {
        return Error(ErrorKind::Corrupt, "column " + c.name + " is narrower than its type");
      }
    } else {
      uint32_t k = def_.layout[i].varIndex;
      if (k >= t.varCount) {  // written before the column existed
        cell.present = false;
        continue;
      }
      start = varOffsets_[k];
      end = varOffsets_[k + 1];
    }
    if (start < spec_.rowCountSize || start > end || end > t.dataEnd) {
      return Error(ErrorKind::Corrupt, "column " + c.name + " lies outside the row's data");
    }
    cell.bytes = row.subspan(start, end - start);
  }
  return okStatus();
}

}  // namespace ledgerfen::row
