#include "index/key_encoder.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "text/utf.h"

namespace ledgerfen::index {
namespace {

__extension__ using UInt128 = unsigned __int128;

constexpr uint16_t kGeneralLcid = 0x0409;
constexpr uint8_t kSignBit = 0x80;
// Binary and GUID keys: the bytes in groups of 8, each followed by 9 while
// more follow, the last one zero-padded and followed by its real length.
constexpr size_t kBinaryGroup = 8;
constexpr uint8_t kBinaryGroupContinues = 9;
// Extended dates: the 42 stored characters in groups of 8 separated by a
// tab byte, then the last 2 and this trailer.
constexpr size_t kExtendedDateSize = 42;
constexpr uint8_t kExtendedDateSeparator = 0x09;
constexpr std::array<uint8_t, 7> kExtendedDateTrailer = {0, 0, 0, 0, 0, 0, 0x02};
// A text key covers 255 UTF-16 code units; no more than 4 bytes of UTF-8
// make one, so a long Memo is cut to this many bytes before it is converted.
constexpr size_t kIndexedTextBytes = 4 * kMaxIndexedTextUnits;
// Decimal keys: the sign byte and a 16-byte big-endian magnitude.
constexpr size_t kDecimalKeySize = 17;
constexpr uint8_t kDecimalNegative = 0x80;

void invert(uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = uint8_t(~p[i]);
}

void appendBigEndian(std::vector<uint8_t>& out, uint64_t v, size_t bytes) {
  for (size_t i = bytes; i-- > 0;) out.push_back(uint8_t(v >> (8 * i)));
}

// Two's complement integers: big-endian with the sign bit flipped, so that
// negative numbers come first.
void appendInteger(std::vector<uint8_t>& out, int64_t v, size_t bytes, bool ascending) {
  size_t at = out.size();
  appendBigEndian(out, uint64_t(v), bytes);
  out[at] ^= kSignBit;
  if (!ascending) invert(&out[at], bytes);
}

// IEEE numbers: big-endian; positive ones with the sign bit flipped,
// negative ones inverted (their magnitude grows the other way).
void appendFloating(std::vector<uint8_t>& out, uint64_t bits, size_t bytes, bool ascending) {
  size_t at = out.size();
  appendBigEndian(out, bits, bytes);
  bool negative = out[at] & kSignBit;
  if (!negative) out[at] ^= kSignBit;
  if (negative == ascending) invert(&out[at], bytes);
}

void appendBinary(std::vector<uint8_t>& out, std::span<const uint8_t> bytes, bool ascending) {
  size_t done = 0;
  while (bytes.size() - done > kBinaryGroup) {
    size_t at = out.size();
    out.insert(out.end(), bytes.begin() + long(done), bytes.begin() + long(done + kBinaryGroup));
    if (!ascending) invert(&out[at], kBinaryGroup);  // the 9 that follows stays as it is
    out.push_back(kBinaryGroupContinues);
    done += kBinaryGroup;
  }
  if (done == bytes.size()) return;  // nothing, or nothing left
  size_t at = out.size();
  out.insert(out.end(), bytes.begin() + long(done), bytes.end());
  out.resize(at + kBinaryGroup, 0);
  out.push_back(uint8_t(bytes.size() - done));
  if (!ascending) invert(&out[at], kBinaryGroup + 1);
}

// GUIDs sort in their text order: the first three fields big-endian.
void appendGuid(std::vector<uint8_t>& out, const Guid& g, bool ascending) {
  const auto& b = g.bytes;
  std::array<uint8_t, 16> text = {b[3], b[2], b[1],  b[0],  b[5],  b[4],  b[7],  b[6],
                                  b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
  appendBinary(out, text, ascending);
}

void appendExtendedDate(std::vector<uint8_t>& out, const ExtendedDate& d, bool ascending) {
  // The stored form: "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSFFFFFFF:7\0".
  char stored[kExtendedDateSize + 1];
  std::snprintf(stored, sizeof stored, "%019llu:%012llu%07llu:7", static_cast<unsigned long long>(d.days),
                static_cast<unsigned long long>(d.ticks / 10'000'000),
                static_cast<unsigned long long>(d.ticks % 10'000'000));
  stored[kExtendedDateSize - 1] = 0;
  auto* value = reinterpret_cast<uint8_t*>(stored);
  if (!ascending) invert(value, kExtendedDateSize);
  for (size_t group = 0; group < 5; ++group) {
    out.insert(out.end(), value + group * 8, value + group * 8 + 8);
    out.push_back(kExtendedDateSeparator);
  }
  size_t at = out.size();
  out.insert(out.end(), value + 40, value + kExtendedDateSize);
  out.insert(out.end(), kExtendedDateTrailer.begin(), kExtendedDateTrailer.end());
  if (!ascending) invert(&out[at + 2], kExtendedDateTrailer.size());
}

UInt128 magnitudeOf(const Decimal& d) {
  return (UInt128(d.high) << 64) | d.low;
}

// Brings a decimal to the column's scale; fails when that loses digits or
// overflows the 16 bytes of a key.
Status rescale(const KeyColumn& column, const Decimal& d, UInt128& magnitude) {
  magnitude = magnitudeOf(d);
  for (uint8_t s = d.scale; s < column.scale; ++s) {
    if (magnitude > ~UInt128(0) / 10) {
      return Error(ErrorKind::InvalidArgument, "column " + column.name + ": the number is too large");
    }
    magnitude *= 10;
  }
  for (uint8_t s = d.scale; s > column.scale; --s) {
    if (magnitude % 10 != 0) {
      return Error(ErrorKind::InvalidArgument, "column " + column.name + " holds " + std::to_string(column.scale) +
                                                   " decimal places; the number has more");
    }
    magnitude /= 10;
  }
  return okStatus();
}

void appendDecimal(std::vector<uint8_t>& out, const KeyColumn& column, bool negative, UInt128 magnitude) {
  size_t at = out.size();
  out.push_back(negative ? kDecimalNegative : 0);
  appendBigEndian(out, uint64_t(magnitude >> 64), 8);
  appendBigEndian(out, uint64_t(magnitude), 8);
  uint8_t* p = &out[at];
  if (column.legacyDecimal) {
    if (negative == column.ascending) invert(p, kDecimalKeySize);
    p[0] = negative ? 0x00 : 0xFF;
  } else {
    p[0] = 0xFF;
    if (negative == column.ascending) invert(p, kDecimalKeySize);
  }
}

Error wrongType(const KeyColumn& column) {
  return Error(ErrorKind::InvalidArgument, "column " + column.name + " is " + std::string(columnTypeName(column.type)) +
                                               "; the value given is of another type");
}

// Runs `append` on the value when it holds a T, the type the row decoder
// gives columns of this kind.
template <typename T, typename Append>
Status withValue(const KeyColumn& column, const Value& value, Append&& append) {
  const T* v = std::get_if<T>(&value);
  if (!v) return wrongType(column);
  append(*v);
  return okStatus();
}

uint64_t bitsOf(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

uint32_t bitsOf(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace

Status appendColumnKey(std::vector<uint8_t>& out, const KeyColumn& c, const Value& value) {
  const bool asc = c.ascending;
  // A Boolean is never NULL in a key: a missing one counts as false.
  if (isNull(value) && c.type != ColumnType::Boolean) {
    out.push_back(asc ? kKeyNullAscending : kKeyNullDescending);
    return okStatus();
  }
  out.push_back(asc ? kKeyAscending : kKeyDescending);
  switch (c.type) {
    case ColumnType::Boolean: {
      if (!isNull(value) && !std::holds_alternative<bool>(value)) return wrongType(c);
      bool truth = !isNull(value) && std::get<bool>(value);
      out.push_back(truth == asc ? 0x00 : 0xFF);
      return okStatus();
    }
    case ColumnType::Byte:
      return withValue<uint8_t>(c, value, [&](uint8_t v) { out.push_back(asc ? v : uint8_t(~v)); });
    case ColumnType::Integer: return withValue<int16_t>(c, value, [&](int16_t v) { appendInteger(out, v, 2, asc); });
    case ColumnType::Long: return withValue<int32_t>(c, value, [&](int32_t v) { appendInteger(out, v, 4, asc); });
    case ColumnType::Complex:
      return withValue<ComplexKey>(c, value, [&](ComplexKey v) { appendInteger(out, v.id, 4, asc); });
    case ColumnType::BigInt: return withValue<int64_t>(c, value, [&](int64_t v) { appendInteger(out, v, 8, asc); });
    case ColumnType::Currency:
      return withValue<Currency>(c, value, [&](Currency v) { appendInteger(out, v.units, 8, asc); });
    case ColumnType::Single:
      return withValue<float>(c, value, [&](float v) { appendFloating(out, bitsOf(v), 4, asc); });
    case ColumnType::Double:
      return withValue<double>(c, value, [&](double v) { appendFloating(out, bitsOf(v), 8, asc); });
    case ColumnType::DateTime:
      return withValue<OleDate>(c, value, [&](OleDate v) { appendFloating(out, bitsOf(v.days), 8, asc); });
    case ColumnType::Numeric: {
      const Decimal* v = std::get_if<Decimal>(&value);
      if (!v) return wrongType(c);
      UInt128 magnitude;
      LF_RETURN_IF_ERROR(rescale(c, *v, magnitude));
      appendDecimal(out, c, v->negative, magnitude);
      return okStatus();
    }
    case ColumnType::Guid: return withValue<Guid>(c, value, [&](const Guid& v) { appendGuid(out, v, asc); });
    case ColumnType::Binary:
      return withValue<ByteString>(c, value, [&](const ByteString& v) { appendBinary(out, v, asc); });
    case ColumnType::DateTimeExt:
      return withValue<ExtendedDate>(c, value, [&](const ExtendedDate& v) { appendExtendedDate(out, v, asc); });
    case ColumnType::Text:
    case ColumnType::Memo: {
      const std::string* v = std::get_if<std::string>(&value);
      if (!v) return wrongType(c);
      Status made = appendTextKey(out, c.textOrder, c.expansions,
                                  text::utf8ToUtf16(std::string_view(*v).substr(0, kIndexedTextBytes)), asc);
      if (!made) return made.error().withContext("column " + c.name);
      return okStatus();
    }
    default: return Error(ErrorKind::Unsupported, "column " + c.name + ": no index key can be made of its type");
  }
}

Result<TextSortOrder> textSortOrderOf(FileFormat format, const Column& column) {
  const SortOrder& so = column.sortOrder;
  if (so.lcid == 0) {  // written by tools that leave the sort order out: the format's default
    return isJet3(format)                ? TextSortOrder::General97
           : format <= FileFormat::Ace12 ? TextSortOrder::GeneralLegacy
                                         : TextSortOrder::General;
  }
  if (so.lcid == kGeneralLcid) {
    if (isJet3(format)) return TextSortOrder::General97;
    if (so.version == 0) return TextSortOrder::GeneralLegacy;
    if (so.version == 1) return TextSortOrder::General;
  }
  return Error(ErrorKind::Unsupported, "column " + column.name + " uses the sort order LCID " +
                                           std::to_string(so.lcid) + " version " + std::to_string(so.version) +
                                           ", whose index keys cannot be made; its indexes are read-only");
}

Result<KeyEncoder> KeyEncoder::create(FileFormat format, const TableSchema& schema,
                                      const std::vector<IndexColumn>& columns) {
  KeyEncoder encoder;
  for (const IndexColumn& ic : columns) {
    int position = schema.positionOfNumber(ic.columnNumber);
    if (position < 0) {
      return Error(ErrorKind::Corrupt, "an index names column number " + std::to_string(ic.columnNumber) +
                                           ", which the table does not have");
    }
    const Column& column = schema.columns[size_t(position)];
    KeyColumn k;
    k.name = column.name;
    k.position = size_t(position);
    k.type = column.type;
    k.ascending = ic.ascending;
    k.scale = column.scale;
    k.legacyDecimal = !isAce(format);
    k.expansions = expansionPositionsOf(format);
    switch (column.type) {
      case ColumnType::Text:
      case ColumnType::Memo: {
        LF_ASSIGN_OR_RETURN(k.textOrder, textSortOrderOf(format, column));
        break;
      }
      case ColumnType::Ole:
        return Error(ErrorKind::Unsupported, "column " + column.name + ": OLE objects cannot be indexed");
      default:
        if (!isKnownColumnType(column.typeCode)) {
          return Error(ErrorKind::Unsupported, "column " + column.name + " is of the unknown type " +
                                                   std::to_string(column.typeCode) + ", which no key is known for");
        }
    }
    encoder.columns_.push_back(std::move(k));
  }
  return encoder;
}

Status KeyEncoder::encodeRow(std::span<const Value> row, std::vector<uint8_t>& key) const {
  key.clear();
  for (const KeyColumn& c : columns_) {
    if (c.position >= row.size()) {
      return Error(ErrorKind::InvalidArgument, "the row has no value for column " + c.name);
    }
    LF_RETURN_IF_ERROR(appendColumnKey(key, c, row[c.position]));
  }
  return okStatus();
}

Status KeyEncoder::encodeValues(std::span<const Value> values, std::vector<uint8_t>& key) const {
  key.clear();
  if (values.size() > columns_.size()) {
    return Error(ErrorKind::InvalidArgument, std::to_string(values.size()) + " values for an index of " +
                                                 std::to_string(columns_.size()) + " columns");
  }
  for (size_t i = 0; i < values.size(); ++i) LF_RETURN_IF_ERROR(appendColumnKey(key, columns_[i], values[i]));
  return okStatus();
}

}  // namespace ledgerfen::index
