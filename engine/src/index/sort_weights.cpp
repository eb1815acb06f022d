#include "index/sort_weights.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace ledgerfen::index {
namespace {

#include "index/sort_weights_data.inc"

constexpr char16_t kFirstSurrogate = 0xD800;
constexpr char16_t kLastSurrogate = 0xDFFF;

// Record kinds of the stream (see the generator for the format).
enum Op : uint8_t { kIgnoredRun = 0, kStepRun = 1, kRepeatRun = 2, kLiteral = 3 };

std::vector<uint8_t> fromBase64(std::span<const char* const> lines) {
  std::array<int8_t, 256> value;
  value.fill(-1);
  constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (size_t i = 0; i < kAlphabet.size(); ++i) value[uint8_t(kAlphabet[i])] = int8_t(i);
  std::vector<uint8_t> out;
  uint32_t bits = 0;
  int count = 0;
  for (std::string_view line : lines) {
    for (char c : line) {
      if (value[uint8_t(c)] < 0) continue;  // padding
      bits = (bits << 6) | uint32_t(value[uint8_t(c)]);
      count += 6;
      if (count >= 8) {
        count -= 8;
        out.push_back(uint8_t(bits >> count));
      }
    }
  }
  return out;
}

// Reads the records of one sort order from the stream. The data is compiled
// in and checked by its generator; a malformed stream is a build error, so
// reading past it aborts rather than returning an error to every caller.
class StreamReader {
 public:
  explicit StreamReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  uint8_t byte() {
    if (at_ >= bytes_.size()) std::abort();
    return bytes_[at_++];
  }
  size_t count() {
    size_t n = 0;
    for (int shift = 0;; shift += 7) {
      uint8_t b = byte();
      n |= size_t(b & 0x7F) << shift;
      if (!(b & 0x80)) return n;
    }
  }
  size_t position() const { return at_; }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
};

void readTable(StreamReader& in, size_t units, std::vector<CharWeights>& chars, std::vector<uint8_t>& pool) {
  chars.assign(units, CharWeights{});
  CharWeights previous;
  size_t unit = 0;
  auto place = [&](const CharWeights& w) {
    if (unit >= units) std::abort();
    while (unit >= kFirstSurrogate && unit <= kLastSurrogate && units > 0x100) {
      chars[unit++].kind = WeightKind::Surrogate;
    }
    chars[unit++] = w;
    previous = w;
  };
  auto copyBytes = [&](size_t length) {
    for (size_t i = 0; i < length; ++i) pool.push_back(in.byte());
  };
  while (unit < units) {
    uint8_t head = in.byte();
    uint8_t op = head >> 5, n = head & 31;
    if (op == kLiteral) {
      CharWeights w;
      w.kind = WeightKind(n);
      w.offset = uint32_t(pool.size());
      if (w.kind == WeightKind::ExtraModifier) {
        w.aux = in.byte();
      } else {
        w.primaryLength = in.byte();
        copyBytes(w.primaryLength);
        if (w.kind == WeightKind::International || w.kind == WeightKind::Crazy) {
          w.extraLength = in.byte();
          copyBytes(w.extraLength);
        }
        if (w.kind == WeightKind::Crazy) w.aux = in.byte();
      }
      place(w);
      continue;
    }
    size_t run = n == 31 ? 32 + in.count() : size_t(n) + 1;
    for (size_t i = 0; i < run; ++i) {
      if (op == kIgnoredRun) {
        place(CharWeights{});
      } else if (op == kRepeatRun) {
        place(previous);
      } else {
        // The same bytes with the primary weight, a big-endian number, one higher.
        CharWeights w = previous;
        w.offset = uint32_t(pool.size());
        for (size_t k = 0; k < size_t(previous.primaryLength) + previous.extraLength; ++k) {
          uint8_t copied = pool[previous.offset + k];
          pool.push_back(copied);
        }
        for (size_t k = w.primaryLength; k-- > 0;) {
          if (++pool[w.offset + k] != 0) break;
        }
        place(w);
      }
    }
  }
}

}  // namespace

struct SortWeightTables {
  SortWeights general97, generalLegacy, general;

  SortWeightTables() {
    std::vector<uint8_t> stream = fromBase64(kSortWeightStream);
    if (stream.size() != kSortWeightStreamSize) std::abort();
    StreamReader in(stream);
    for (SortWeights* table : {&general97, &generalLegacy, &general}) {
      size_t units = table == &general97 ? 0x100 : 0x10000;
      readTable(in, units, table->chars_, table->pool_);
      table->pool_.shrink_to_fit();
    }
    if (in.position() != stream.size()) std::abort();
    markExpansions(general97, kGeneral97Expansions);
    markExpansions(generalLegacy, kGeneralLegacyExpansions);
    markExpansions(general, kGeneralExpansions);
    for (char16_t unit : kGeneralLegacyUncertain) generalLegacy.chars_[unit].uncertainPositions = true;
    for (char16_t unit : kGeneralUncertain) general.chars_[unit].uncertainPositions = true;
  }

  template <size_t N>
  static void markExpansions(SortWeights& table, const std::pair<char16_t, uint8_t> (&expansions)[N]) {
    for (const auto& [unit, positions] : expansions) table.chars_[unit].expansion = positions;
  }
};

namespace {
const SortWeightTables& tables() {
  static const SortWeightTables loaded;
  return loaded;
}
}  // namespace

const SortWeights& general97Weights() {
  return tables().general97;
}
const SortWeights& generalLegacyWeights() {
  return tables().generalLegacy;
}
const SortWeights& generalWeights() {
  return tables().general;
}

uint8_t general97Equivalent(char16_t unit) {
  auto it = std::lower_bound(std::begin(kGeneral97Mappings), std::end(kGeneral97Mappings), unit,
                             [](const auto& m, char16_t u) { return m.first < u; });
  return it != std::end(kGeneral97Mappings) && it->first == unit ? it->second : 0;
}

}  // namespace ledgerfen::index
