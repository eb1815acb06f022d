#include "row/value_decoder.h"

#include <algorithm>
#include <cstring>

#include "lval/long_value.h"

namespace ledgerfen::row {
namespace {

using format::Bytes;

// Calculated columns wrap their value: 16 bytes of unknown meaning, the
// value's length (4 bytes), then the value. Shorter data is the value itself.
constexpr size_t kCalculatedLength = 16;
constexpr size_t kCalculatedPrefix = 20;

Bytes unwrapCalculated(Bytes b) {
  if (b.size() < kCalculatedPrefix) return b;
  uint32_t length = format::u32le(b, kCalculatedLength);
  return b.subspan(kCalculatedPrefix, std::min<size_t>(length, b.size() - kCalculatedPrefix));
}

// Date/Time Extended: "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSFFFFFFF:7\0".
bool parseDigits(Bytes b, size_t at, size_t count, uint64_t& out) {
  out = 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t ch = b[at + i];
    if (ch < '0' || ch > '9') return false;
    out = out * 10 + (ch - '0');
  }
  return true;
}

template <typename T>
T& reuse(Value& v) {
  if (auto* p = std::get_if<T>(&v)) {
    p->clear();
    return *p;
  }
  return v.emplace<T>();
}

}  // namespace

Result<ValueDecoder> ValueDecoder::create(page::Pager& pager, const format::FormatSpec& spec,
                                          const tdef::TableDefinition& def,
                                          std::shared_ptr<const text::CodePage> databaseCodePage) {
  ValueDecoder d(pager, spec, def);
  if (spec.jet3) {
    for (const Column& c : def.schema.columns) {
      if (c.codePage != 0 && c.codePage != databaseCodePage->number()) {
        LF_ASSIGN_OR_RETURN(auto page, text::CodePage::load(c.codePage));
        d.codePages_.push_back(std::move(page));
      } else {
        d.codePages_.push_back(databaseCodePage);
      }
    }
  }
  return d;
}

void ValueDecoder::decodeText(size_t position, Bytes bytes, std::string& out) const {
  if (spec_->jet3) {
    codePages_[position]->decode(bytes, out);
  } else {
    text::decodeUcs2Text(bytes, out);
  }
}

Status ValueDecoder::decode(size_t position, const CellBytes& cell, Value& out) {
  const Column& c = def_->schema.columns[position];
  if (c.type == ColumnType::Boolean && !c.calculated) {
    out = cell.present;
    return okStatus();
  }
  if (!cell.present) {
    out = std::monostate{};
    return okStatus();
  }
  if (!c.calculated) return decodeAs(c, position, cell.bytes, out);
  if (c.type != ColumnType::Memo) return decodeCalculated(c, position, unwrapCalculated(cell.bytes), out);
  // A calculated Memo is an ordinary long value whose content is wrapped.
  longValue_.clear();
  if (Status s = lval::readLongValue(*pager_, *spec_, cell.bytes, longValue_); !s) {
    return Error(ErrorKind::Corrupt, "column " + c.name + ": " + s.error().message());
  }
  std::vector<uint8_t> content = std::move(longValue_);
  return decodeCalculated(c, position, unwrapCalculated(content), out);
}

// Access stores the last value it computed, sometimes narrower than the
// column's type (a Yes/No result in an Integer column takes one byte), or
// nothing at all when it never computed one.
Status ValueDecoder::decodeCalculated(const Column& c, size_t position, Bytes value, Value& out) {
  if (value.empty()) {
    out = std::monostate{};
    return okStatus();
  }
  switch (c.type) {
    case ColumnType::Boolean: out = value[0] != 0; return okStatus();
    case ColumnType::Text:
    case ColumnType::Memo: decodeText(position, value, reuse<std::string>(out)); return okStatus();
    case ColumnType::Numeric: return decodeCalculatedNumeric(value, out);
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::BigInt:
      if (value.size() < 8) {
        int64_t v = 0;
        for (size_t i = 0; i < value.size(); ++i) v |= int64_t(value[i]) << (8 * i);
        int shift = int(64 - 8 * value.size());
        v = int64_t(uint64_t(v) << shift) >> shift;  // sign-extend the bytes present
        if (c.type == ColumnType::Byte)
          out = uint8_t(v);
        else if (c.type == ColumnType::Integer)
          out = int16_t(v);
        else if (c.type == ColumnType::Long)
          out = int32_t(v);
        else
          out = v;
        return okStatus();
      }
      [[fallthrough]];
    default: return decodeAs(c, position, value, out);
  }
}

// A calculated Decimal carries its own scale: [2] length, [1] scale, [1] sign,
// then the magnitude: a leading 4-byte word when the length is not a multiple
// of 8, then 8-byte words, each little-endian, most significant first.
Status ValueDecoder::decodeCalculatedNumeric(Bytes value, Value& out) {
  if (value.size() < 4) {
    out = std::monostate{};
    return okStatus();
  }
  uint16_t total = format::u16le(value, 0);
  size_t length = std::min<size_t>(((total > 0 ? total : value.size() - 2) - 2) / 4 * 4, 16);
  if (!format::fits(value, 4, length)) {
    // Not the decimal layout: the expression's result type differs from the
    // column's. The value is derived, so it is shown as unknown.
    out = std::monostate{};
    return okStatus();
  }
  Decimal d;
  d.scale = value[2];
  d.negative = value[3] != 0;
  size_t at = 4;
  auto shiftIn = [&d](uint64_t word, int bits) {
    d.high = bits == 64 ? d.low : (d.high << bits) | (d.low >> (64 - bits));
    d.low = bits == 64 ? word : (d.low << bits) | word;
  };
  if (length % 8) {
    shiftIn(format::u32le(value, at), 32);
    at += 4;
  }
  for (; at < 4 + length; at += 8) shiftIn(format::u64le(value, at), 64);
  out = d;
  return okStatus();
}

Status ValueDecoder::decodeAs(const Column& c, size_t position, Bytes b, Value& out) {
  auto needs = [&](size_t n) -> Status {
    if (b.size() < n) {
      return Error(ErrorKind::Corrupt,
                   "column " + c.name + " holds " + std::to_string(b.size()) + " bytes, too few for its type");
    }
    return okStatus();
  };
  switch (c.type) {
    case ColumnType::Boolean: out = !b.empty() && b[0] != 0; return okStatus();
    case ColumnType::Byte:
      LF_RETURN_IF_ERROR(needs(1));
      out = b[0];
      return okStatus();
    case ColumnType::Integer:
      LF_RETURN_IF_ERROR(needs(2));
      out = int16_t(format::u16le(b, 0));
      return okStatus();
    case ColumnType::Long:
      LF_RETURN_IF_ERROR(needs(4));
      out = int32_t(format::u32le(b, 0));
      return okStatus();
    case ColumnType::Complex:
      LF_RETURN_IF_ERROR(needs(4));
      out = ComplexKey{int32_t(format::u32le(b, 0))};
      return okStatus();
    case ColumnType::BigInt:
      LF_RETURN_IF_ERROR(needs(8));
      out = int64_t(format::u64le(b, 0));
      return okStatus();
    case ColumnType::Currency:
      LF_RETURN_IF_ERROR(needs(8));
      out = Currency{int64_t(format::u64le(b, 0))};
      return okStatus();
    case ColumnType::Single:
      LF_RETURN_IF_ERROR(needs(4));
      out = format::f32le(b, 0);
      return okStatus();
    case ColumnType::Double:
      LF_RETURN_IF_ERROR(needs(8));
      out = format::f64le(b, 0);
      return okStatus();
    case ColumnType::DateTime:
      LF_RETURN_IF_ERROR(needs(8));
      out = OleDate{format::f64le(b, 0)};
      return okStatus();
    case ColumnType::Guid: {
      LF_RETURN_IF_ERROR(needs(16));
      Guid g;
      std::memcpy(g.bytes.data(), b.data(), 16);
      out = g;
      return okStatus();
    }
    case ColumnType::Numeric: {
      LF_RETURN_IF_ERROR(needs(17));
      Decimal d;
      d.negative = b[0] & 0x80;
      d.scale = c.scale;
      d.high = (uint64_t(format::u32le(b, 1)) << 32) | format::u32le(b, 5);
      d.low = (uint64_t(format::u32le(b, 9)) << 32) | format::u32le(b, 13);
      out = d;
      return okStatus();
    }
    case ColumnType::DateTimeExt: {
      LF_RETURN_IF_ERROR(needs(42));
      uint64_t days, seconds, fraction;
      if (!parseDigits(b, 0, 19, days) || b[19] != ':' || !parseDigits(b, 20, 12, seconds) ||
          !parseDigits(b, 32, 7, fraction) || seconds >= 86400) {
        return Error(ErrorKind::Corrupt, "column " + c.name + " holds a malformed extended date");
      }
      out = ExtendedDate{days, seconds * 10'000'000 + fraction};
      return okStatus();
    }
    case ColumnType::Text: decodeText(position, b, reuse<std::string>(out)); return okStatus();
    case ColumnType::Memo:
    case ColumnType::Ole: {
      if (b.empty()) {
        if (c.type == ColumnType::Memo)
          reuse<std::string>(out);
        else
          reuse<ByteString>(out);
        return okStatus();
      }
      longValue_.clear();
      if (Status s = lval::readLongValue(*pager_, *spec_, b, longValue_); !s) {
        return Error(ErrorKind::Corrupt, "column " + c.name + ": " + s.error().message());
      }
      if (c.type == ColumnType::Memo) {
        decodeText(position, longValue_, reuse<std::string>(out));
      } else {
        reuse<ByteString>(out).assign(longValue_.begin(), longValue_.end());
      }
      return okStatus();
    }
    case ColumnType::Binary:
    default: reuse<ByteString>(out).assign(b.begin(), b.end()); return okStatus();
  }
}

}  // namespace ledgerfen::row
