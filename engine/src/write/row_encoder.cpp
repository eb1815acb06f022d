#include "write/row_encoder.h"

#include <algorithm>

#include "format/bytes.h"

namespace ledgerfen::write {
namespace {

// Fixed area: everything up to the end of the last fixed column.
size_t fixedAreaSize(const tdef::TableDefinition& def, const std::vector<ColumnBytes>& columns) {
  size_t end = 0;
  for (size_t i = 0; i < def.schema.columns.size(); ++i) {
    const Column& c = def.schema.columns[i];
    if (c.fixed && c.type != ColumnType::Boolean) {
      end = std::max(end, size_t(def.layout[i].fixedOffset) + std::max<size_t>(columns[i].bytes.size(), c.length));
    }
  }
  return end;
}

void putCount(ByteString& row, size_t at, uint32_t value, uint32_t size) {
  if (size == 1) {
    row[at] = uint8_t(value);
  } else {
    format::put16le(&row[at], uint16_t(value));
  }
}

}  // namespace

Result<ByteString> encodeRow(const format::FormatSpec& spec, const tdef::TableDefinition& def,
                             const std::vector<ColumnBytes>& columns) {
  const auto& schema = def.schema.columns;
  const uint32_t countSize = spec.rowCountSize;
  uint32_t columnCount = def.maxColumns;
  for (const Column& c : schema) columnCount = std::max<uint32_t>(columnCount, c.number + 1u);
  if (countSize == 1 && columnCount > 255) return Error(ErrorKind::Unsupported, "too many columns for a Jet3 row");

  ByteString row(countSize + fixedAreaSize(def, columns), 0);
  putCount(row, 0, columnCount, countSize);
  std::vector<uint8_t> nullMask((columnCount + 7) / 8, 0);

  int maxVarIndex = -1;
  for (size_t i = 0; i < schema.size(); ++i) {
    if (!schema[i].fixed) maxVarIndex = std::max<int>(maxVarIndex, def.layout[i].varIndex);
  }
  const size_t varCount = size_t(maxVarIndex + 1);
  std::vector<const ColumnBytes*> varColumns(varCount, nullptr);

  for (size_t i = 0; i < schema.size(); ++i) {
    const Column& c = schema[i];
    const ColumnBytes& value = columns[i];
    if (value.present) nullMask[c.number / 8] |= uint8_t(1u << (c.number % 8));
    if (c.fixed) {
      if (value.present && c.type != ColumnType::Boolean) {
        std::copy(value.bytes.begin(), value.bytes.end(), row.begin() + countSize + def.layout[i].fixedOffset);
      }
    } else {
      varColumns[def.layout[i].varIndex] = &value;
    }
  }

  std::vector<uint32_t> offsets;
  for (const ColumnBytes* value : varColumns) {
    offsets.push_back(uint32_t(row.size()));
    if (value && value->present) row.insert(row.end(), value->bytes.begin(), value->bytes.end());
  }

  // The trailer: end of data, offsets (last column first), [Jet3 jumps],
  // count, null mask.
  const uint32_t dataEnd = uint32_t(row.size());
  offsets.push_back(dataEnd);
  const size_t entries = varCount + 1;
  const size_t trailer = entries * countSize + countSize + nullMask.size();
  size_t jumps = 0;
  if (countSize == 1) {
    for (int pass = 0; pass < 4; ++pass) jumps = (row.size() + trailer + jumps - 1) / 256;
  }

  if (countSize == 1) {
    // Jump j names the first offset at or past byte 256 * (j + 1); a jump
    // for a boundary only the trailer passes holds 0xFF, matching no entry.
    std::vector<uint8_t> tail;
    for (size_t i = entries; i-- > 0;) tail.push_back(uint8_t(offsets[i] & 0xFF));
    std::vector<uint8_t> jumpTable(jumps, 0xFF);
    for (size_t j = 0; j < jumps; ++j) {
      size_t first = 0;
      while (first < entries && offsets[first] < 256 * (j + 1)) ++first;
      if (first < entries) jumpTable[j] = uint8_t(first);
    }
    for (size_t j = jumps; j-- > 0;) tail.push_back(jumpTable[j]);
    tail.push_back(uint8_t(varCount));
    row.insert(row.end(), tail.begin(), tail.end());
  } else {
    size_t at = row.size();
    row.resize(at + 2 * entries + 2);
    for (size_t i = entries; i-- > 0;) {
      format::put16le(&row[at], uint16_t(offsets[i]));
      at += 2;
    }
    format::put16le(&row[at], uint16_t(varCount));
  }
  row.insert(row.end(), nullMask.begin(), nullMask.end());
  if (row.size() > spec.maxRowSize) {
    return Error(ErrorKind::Constraint, "the row is " + std::to_string(row.size()) +
                                            " bytes long; a row holds at most " + std::to_string(spec.maxRowSize));
  }
  return row;
}

}  // namespace ledgerfen::write
