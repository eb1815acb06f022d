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
Error tooLong(const Column& c, size_t capacity, const char* units) {
  const char* what = c.type == ColumnType::Binary ? "data" : "text";
  return Error(ErrorKind::Constraint, std::string("the ") + what + " for column " + c.name + " is longer than its " +
                                          std::to_string(capacity) + " " + units);
}

// The value as alternative T. Values are coerced before they are encoded, so
// a mismatch is a caller's mistake; it is reported, never thrown.
template <typename T>
Result<const T*> held(const Column& c, const Value& v) {
  if (const T* x = std::get_if<T>(&v)) return x;
  return Error(ErrorKind::InvalidArgument, "the value for column " + c.name + " is not of the column's type");
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

bool isWritable(const Column& c) {
  return !c.calculated && c.type != ColumnType::Complex;
}

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

Result<Value> padFixedLength(const format::FormatSpec& spec, const Column& c, Value v,
                             const text::CodePage* jet3CodePage) {
  if (!c.fixed || isNull(v)) return v;
  if (c.type == ColumnType::Binary) {
    LF_ASSIGN_OR_RETURN(const ByteString* bytes, held<ByteString>(c, v));
    if (bytes->size() > c.length) return tooLong(c, c.length, "bytes");
    ByteString padded = *bytes;
    padded.resize(c.length, 0);
    return Value(std::move(padded));
  }
  if (c.type != ColumnType::Text) return v;
  LF_ASSIGN_OR_RETURN(const std::string* s, held<std::string>(c, v));
  size_t used = 0;
  size_t capacity = 0;
  if (spec.jet3) {
    LF_ASSIGN_OR_RETURN(ByteString bytes, jet3CodePage->encode(*s));
    used = bytes.size();
    capacity = c.length;
  } else {
    used = text::utf8ToUtf16(*s).size();
    capacity = c.length / 2u;
  }
  if (used > capacity) return tooLong(c, capacity, "characters");
  return Value(*s + std::string(capacity - used, ' '));
}

Result<ByteString> encodeValue(const format::FormatSpec& spec, const Column& c, const Value& v,
                               const text::CodePage* jet3CodePage) {
  ByteString out;
  auto little = [&out](uint64_t bits, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(uint8_t(bits >> (8 * i)));
  };
  switch (c.type) {
    case ColumnType::Boolean: return out;
    case ColumnType::Byte: {
      LF_ASSIGN_OR_RETURN(const uint8_t* x, held<uint8_t>(c, v));
      little(*x, 1);
      return out;
    }
    case ColumnType::Integer: {
      LF_ASSIGN_OR_RETURN(const int16_t* x, held<int16_t>(c, v));
      little(uint16_t(*x), 2);
      return out;
    }
    case ColumnType::Long: {
      LF_ASSIGN_OR_RETURN(const int32_t* x, held<int32_t>(c, v));
      little(uint32_t(*x), 4);
      return out;
    }
    case ColumnType::BigInt: {
      LF_ASSIGN_OR_RETURN(const int64_t* x, held<int64_t>(c, v));
      little(uint64_t(*x), 8);
      return out;
    }
    case ColumnType::Complex: {
      LF_ASSIGN_OR_RETURN(const ComplexKey* x, held<ComplexKey>(c, v));
      little(uint32_t(x->id), 4);
      return out;
    }
    case ColumnType::Currency: {
      LF_ASSIGN_OR_RETURN(const Currency* x, held<Currency>(c, v));
      little(uint64_t(x->units), 8);
      return out;
    }
    case ColumnType::Single: {
      LF_ASSIGN_OR_RETURN(const float* x, held<float>(c, v));
      uint32_t bits;
      std::memcpy(&bits, x, 4);
      little(bits, 4);
      return out;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      double d = 0;
      if (c.type == ColumnType::Double) {
        LF_ASSIGN_OR_RETURN(const double* x, held<double>(c, v));
        d = *x;
      } else {
        LF_ASSIGN_OR_RETURN(const OleDate* x, held<OleDate>(c, v));
        d = x->days;
      }
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      little(bits, 8);
      return out;
    }
    case ColumnType::Guid: {
      LF_ASSIGN_OR_RETURN(const Guid* g, held<Guid>(c, v));
      return ByteString(g->bytes.begin(), g->bytes.end());
    }
    case ColumnType::Numeric: {
      LF_ASSIGN_OR_RETURN(const Decimal* d, held<Decimal>(c, v));
      out.push_back(d->negative ? 0x80 : 0x00);
      little(uint32_t(d->high >> 32), 4);
      little(uint32_t(d->high), 4);
      little(uint32_t(d->low >> 32), 4);
      little(uint32_t(d->low), 4);
      return out;
    }
    case ColumnType::DateTimeExt: {
      LF_ASSIGN_OR_RETURN(const ExtendedDate* e, held<ExtendedDate>(c, v));
      char text[43];
      std::snprintf(text, sizeof text, "%019llu:%012llu%07llu:7", static_cast<unsigned long long>(e->days),
                    static_cast<unsigned long long>(e->ticks / 10'000'000),
                    static_cast<unsigned long long>(e->ticks % 10'000'000));
      out.assign(text, text + 41);
      out.push_back(0);
      return out;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
      LF_ASSIGN_OR_RETURN(const std::string* s, held<std::string>(c, v));
      if (spec.jet3) {
        LF_ASSIGN_OR_RETURN(out, jet3CodePage->encode(*s));
        if (c.type == ColumnType::Text && out.size() > c.length) return tooLong(c, c.length, "characters");
        return out;
      }
      if (c.type == ColumnType::Text) {
        size_t units = text::utf8ToUtf16(*s).size();
        if (units > c.length / 2u) return tooLong(c, c.length / 2u, "characters");
      }
      // Fixed-length text fills its whole width, so it is never compressed:
      // compressed, it would leave zero bytes that read back as characters.
      return text::encodeUcs2Text(*s, c.compressedUnicode && !c.fixed);
    }
    case ColumnType::Binary: {
      LF_ASSIGN_OR_RETURN(const ByteString* b, held<ByteString>(c, v));
      if (b->size() > c.length) return tooLong(c, c.length, "bytes");
      return *b;
    }
    default: {
      LF_ASSIGN_OR_RETURN(const ByteString* b, held<ByteString>(c, v));
      return *b;
    }
  }
}

}  // namespace ledgerfen::write
