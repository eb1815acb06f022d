#include "write/value_encoder.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "format/bytes.h"
#include "text/utf.h"

namespace ledgerfen::write {
namespace {

__extension__ using UInt128 = unsigned __int128;

Error mismatch(const Column& c, const char* what) {
  return Error(ErrorKind::Constraint, "the value for column " + c.name + " is not " + what);
}
Error outOfRange(const Column& c) {
  return Error(ErrorKind::Constraint, "the value for column " + c.name + " is out of its range");
}

// Any integer alternative as int64; nullopt for other types.
std::optional<int64_t> asInteger(const Value& v) {
  if (auto* x = std::get_if<uint8_t>(&v)) return *x;
  if (auto* x = std::get_if<int16_t>(&v)) return *x;
  if (auto* x = std::get_if<int32_t>(&v)) return *x;
  if (auto* x = std::get_if<int64_t>(&v)) return *x;
  return std::nullopt;
}

std::optional<double> asFloating(const Value& v) {
  if (auto* x = std::get_if<double>(&v)) return *x;
  if (auto* x = std::get_if<float>(&v)) return double(*x);
  if (auto i = asInteger(v)) return double(*i);
  return std::nullopt;
}

UInt128 pow10(unsigned n) {
  UInt128 p = 1;
  while (n--) p *= 10;
  return p;
}

unsigned digits(UInt128 v) {
  unsigned n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

// Brings a decimal to `scale` fraction digits, rounding half away from zero.
Result<Decimal> rescale(const Column& c, Decimal d, unsigned scale, unsigned precision) {
  UInt128 m = (UInt128(d.high) << 64) | d.low;
  if (d.scale < scale) {
    unsigned up = scale - d.scale;
    if (up > 38 || (m != 0 && digits(m) + up > 38)) return outOfRange(c);
    m *= pow10(up);
  } else if (d.scale > scale) {
    UInt128 div = pow10(d.scale - scale);
    UInt128 rest = m % div;
    m /= div;
    if (rest * 2 >= div) ++m;
  }
  if (m != 0 && digits(m) > precision) return outOfRange(c);
  d.scale = uint8_t(scale);
  d.high = uint64_t(m >> 64);
  d.low = uint64_t(m);
  if (m == 0) d.negative = false;
  return d;
}

template <typename T>
Result<Value> integerOfRange(const Column& c, const Value& v) {
  auto i = asInteger(v);
  if (!i) {
    if (auto* b = std::get_if<bool>(&v)) i = *b ? -1 : 0;  // Access's True is -1
  }
  if (!i) return mismatch(c, "a whole number");
  if (*i < std::numeric_limits<T>::min() || *i > std::numeric_limits<T>::max()) return outOfRange(c);
  return Value(T(*i));
}

}  // namespace

bool isWritable(const Column& c) { return !c.calculated && c.type != ColumnType::Complex; }

Result<Value> coerceValue(const Column& c, const Value& v) {
  if (isNull(v)) return v;
  switch (c.type) {
    case ColumnType::Boolean:
      if (auto* b = std::get_if<bool>(&v)) return Value(*b);
      if (auto i = asInteger(v)) return Value(*i != 0);
      return mismatch(c, "Yes or No");
    case ColumnType::Byte: return integerOfRange<uint8_t>(c, v);
    case ColumnType::Integer: return integerOfRange<int16_t>(c, v);
    case ColumnType::Long: return integerOfRange<int32_t>(c, v);
    case ColumnType::BigInt: return integerOfRange<int64_t>(c, v);
    case ColumnType::Currency: {
      if (std::holds_alternative<Currency>(v)) return v;
      if (auto i = asInteger(v)) {
        if (*i > INT64_MAX / 10000 || *i < INT64_MIN / 10000) return outOfRange(c);
        return Value(Currency{*i * 10000});
      }
      if (auto* d = std::get_if<Decimal>(&v)) {
        LF_ASSIGN_OR_RETURN(Decimal r, rescale(c, *d, 4, 19));
        UInt128 m = (UInt128(r.high) << 64) | r.low;
        if (m > UInt128(INT64_MAX)) return outOfRange(c);
        return Value(Currency{r.negative ? -int64_t(m) : int64_t(m)});
      }
      return mismatch(c, "an amount of money");
    }
    case ColumnType::Single: {
      auto f = asFloating(v);
      if (!f) return mismatch(c, "a number");
      if (std::isfinite(*f) && std::fabs(*f) > std::numeric_limits<float>::max()) return outOfRange(c);
      return Value(float(*f));
    }
    case ColumnType::Double: {
      auto f = asFloating(v);
      if (!f) return mismatch(c, "a number");
      return Value(*f);
    }
    case ColumnType::Numeric: {
      Decimal d;
      if (auto* x = std::get_if<Decimal>(&v)) {
        d = *x;
      } else if (auto i = asInteger(v)) {
        d.negative = *i < 0;
        d.low = *i < 0 ? uint64_t(0) - uint64_t(*i) : uint64_t(*i);
      } else if (auto* m = std::get_if<Currency>(&v)) {
        d.negative = m->units < 0;
        d.low = m->units < 0 ? uint64_t(0) - uint64_t(m->units) : uint64_t(m->units);
        d.scale = 4;
      } else {
        return mismatch(c, "a decimal number");
      }
      LF_ASSIGN_OR_RETURN(Decimal r, rescale(c, d, c.scale, c.precision ? c.precision : 28));
      return Value(r);
    }
    case ColumnType::DateTime:
      if (auto* x = std::get_if<OleDate>(&v); x && std::isfinite(x->days)) return v;
      return mismatch(c, "a date");
    case ColumnType::DateTimeExt:
      if (auto* x = std::get_if<ExtendedDate>(&v); x && x->ticks < 864'000'000'000ull) return v;
      return mismatch(c, "a date");
    case ColumnType::Guid:
      if (std::holds_alternative<Guid>(v)) return v;
      return mismatch(c, "a GUID");
    case ColumnType::Text:
    case ColumnType::Memo:
      if (std::holds_alternative<std::string>(v)) return v;
      return mismatch(c, "text");
    case ColumnType::Complex:
      if (std::holds_alternative<ComplexKey>(v)) return v;
      return mismatch(c, "an attachment key");
    case ColumnType::Binary:
    case ColumnType::Ole:
    default:
      if (std::holds_alternative<ByteString>(v)) return v;
      return mismatch(c, "binary data");
  }
}

Result<ByteString> encodeValue(const format::FormatSpec& spec, const Column& c, const Value& v,
                               const text::CodePage* jet3CodePage) {
  ByteString out;
  auto little = [&out](uint64_t bits, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(uint8_t(bits >> (8 * i)));
  };
  switch (c.type) {
    case ColumnType::Boolean: return out;
    case ColumnType::Byte: little(std::get<uint8_t>(v), 1); return out;
    case ColumnType::Integer: little(uint16_t(std::get<int16_t>(v)), 2); return out;
    case ColumnType::Long: little(uint32_t(std::get<int32_t>(v)), 4); return out;
    case ColumnType::BigInt: little(uint64_t(std::get<int64_t>(v)), 8); return out;
    case ColumnType::Complex: little(uint32_t(std::get<ComplexKey>(v).id), 4); return out;
    case ColumnType::Currency: little(uint64_t(std::get<Currency>(v).units), 8); return out;
    case ColumnType::Single: {
      uint32_t bits;
      float f = std::get<float>(v);
      std::memcpy(&bits, &f, 4);
      little(bits, 4);
      return out;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      double d = c.type == ColumnType::Double ? std::get<double>(v) : std::get<OleDate>(v).days;
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      little(bits, 8);
      return out;
    }
    case ColumnType::Guid: {
      const auto& g = std::get<Guid>(v).bytes;
      return ByteString(g.begin(), g.end());
    }
    case ColumnType::Numeric: {
      const Decimal& d = std::get<Decimal>(v);
      out.push_back(d.negative ? 0x80 : 0x00);
      little(uint32_t(d.high >> 32), 4);
      little(uint32_t(d.high), 4);
      little(uint32_t(d.low >> 32), 4);
      little(uint32_t(d.low), 4);
      return out;
    }
    case ColumnType::DateTimeExt: {
      const ExtendedDate& e = std::get<ExtendedDate>(v);
      char text[43];
      std::snprintf(text, sizeof text, "%019llu:%012llu%07llu:7", static_cast<unsigned long long>(e.days),
                    static_cast<unsigned long long>(e.ticks / 10'000'000),
                    static_cast<unsigned long long>(e.ticks % 10'000'000));
      out.assign(text, text + 41);
      out.push_back(0);
      return out;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
      const std::string& s = std::get<std::string>(v);
      if (spec.jet3) {
        LF_ASSIGN_OR_RETURN(out, jet3CodePage->encode(s));
        if (c.type == ColumnType::Text && out.size() > c.length) {
          return Error(ErrorKind::Constraint, "the text for column " + c.name + " is longer than its " +
                                                  std::to_string(c.length) + " characters");
        }
        return out;
      }
      if (c.type == ColumnType::Text) {
        size_t units = text::utf8ToUtf16(s).size();
        if (units > c.length / 2u) {
          return Error(ErrorKind::Constraint, "the text for column " + c.name + " is longer than its " +
                                                  std::to_string(c.length / 2) + " characters");
        }
      }
      return text::encodeUcs2Text(s, c.compressedUnicode);
    }
    case ColumnType::Binary: {
      const ByteString& b = std::get<ByteString>(v);
      if (b.size() > c.length) {
        return Error(ErrorKind::Constraint, "the data for column " + c.name + " is longer than its " +
                                                std::to_string(c.length) + " bytes");
      }
      return b;
    }
    default:
      return std::get<ByteString>(v);
  }
}

}  // namespace ledgerfen::write
