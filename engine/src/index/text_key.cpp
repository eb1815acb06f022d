#include "index/text_key.h"

#include <algorithm>
#include <span>

#include "index/sort_weights.h"

namespace ledgerfen::index {
namespace {

// General and General Legacy keys:
//   primary weights | 01 | extra codes | [01 01 crazy codes | 01 unprintable codes] | 00
constexpr uint8_t kEndOfPrimary = 0x01;
constexpr uint8_t kEndOfKey = 0x00;
constexpr uint8_t kExtraPlaceholder = 0x02;  // a position without an extra code
constexpr uint8_t kMaxTrimmedExtra = 0x02;   // trailing extra codes up to this value are left out
constexpr uint8_t kSectionMark = 0x01;
constexpr uint8_t kCrazyByte = 0x80;      // three 2-bit crazy codes per byte under this mark
constexpr uint8_t kCrazyCodeTrimmed = 3;  // trailing codes of this value are left out
constexpr uint8_t kCrazyTrailer[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr uint8_t kCrazyBeforeUnprintable = 0xFF;
constexpr uint16_t kUnprintableBase = 7;  // position word: (7 + 4 * position) | 0x8000, big-endian
constexpr uint16_t kUnprintableStep = 4;
constexpr uint16_t kUnprintableFlag = 0x8000;
constexpr uint8_t kUnprintableMark = 0x06;
constexpr uint8_t kSurrogateExtra = 0x3F;

// General 97 keys: primary weights, then the extra codes as nibbles between
// two 0 nibbles, or a single 00 when there are none.
constexpr uint8_t kNibbleBound = 0x0;
constexpr uint8_t kNibblePlaceholder = 0x2;
// The reader shows the five bytes Windows-1252 leaves unassigned as U+FFFD;
// General 97 weighs all five alike, as this one.
constexpr uint8_t kUnassignedCodePageByte = 0x81;
constexpr char16_t kReplacementCharacter = 0xFFFD;
// General 97 weighs NUL as the other control characters (a key Access
// stored for "Lock" followed by NUL shows it); the recorded figures leave it out.
constexpr uint8_t kNulWeighedAs = 0x01;
// Whether Access weighs NUL in the later orders is not known: their figures
// leave it out, and General 97 does not.
constexpr char16_t kNul = 0x0000;

using ByteSpan = std::span<const uint8_t>;

std::u16string_view indexedPart(std::u16string_view text) {
  text = text.substr(0, std::min(text.size(), kMaxIndexedTextUnits));
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

void append(std::vector<uint8_t>& out, ByteSpan bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void invertFrom(std::vector<uint8_t>& out, size_t start) {
  for (size_t i = start; i < out.size(); ++i) out[i] = uint8_t(~out[i]);
}

// Surrogates carry computed primary weights: a high surrogate its code unit
// less 10238; a low one less an offset that steps down by 2 after the first
// 8 and then every 254 code units of its 1024-unit block.
uint16_t surrogateWeight(char16_t unit) {
  if (unit < 0xDC00) return uint16_t(unit - 10238);
  unsigned inBlock = (unit - 0xDC00u) % 1024;
  unsigned offset = inBlock < 8 ? 9992 : 9990 - 2 * ((inBlock - 8) / 254);
  return uint16_t(unit - std::max(offset, 9984u));
}

class GeneralKeyWriter {
 public:
  GeneralKeyWriter(const SortWeights& table, ExpansionPositions expansions, std::vector<uint8_t>& out)
      : table_(table), perLetter_(expansions == ExpansionPositions::PerLetter), out_(out) {}

  void add(char16_t unit) {
    const CharWeights& w = table_.at(unit);
    const size_t positions = perLetter_ && w.expansion ? w.expansion : 1;
    if (w.kind == WeightKind::Simple) {
      append(out_, table_.primary(w));
      position_ += positions;
      positionsUncertain_ |= w.uncertainPositions;
      return;
    }
    const size_t here = position_;
    switch (w.kind) {
      case WeightKind::Surrogate: {
        uint16_t weight = surrogateWeight(unit);
        out_.push_back(uint8_t(weight >> 8));
        out_.push_back(uint8_t(weight));
        ++position_;
        addExtra(here, ByteSpan(&kSurrogateExtra, 1), 0);
        return;
      }
      case WeightKind::International:
      case WeightKind::Crazy:
        if (w.primaryLength > 0) {
          append(out_, table_.primary(w));
          position_ += positions;
        }
        if (w.extraLength > 0) addExtra(here, table_.extra(w), 0);
        if (w.kind == WeightKind::Crazy) crazy_.push_back(w.aux);
        positionsUncertain_ |= w.uncertainPositions;
        return;
      case WeightKind::ExtraModifier:
        if (w.aux != 0) addExtra(here, {}, w.aux);
        return;
      case WeightKind::Unprintable: addUnprintable(here, table_.primary(w)); return;
      default: return;  // ignored
    }
  }

  // Whether the key depends on positions that are not known: an extra or
  // unprintable code placed after a character whose positions are uncertain.
  bool uncertain() const { return uncertain_; }

  void finish(size_t start, bool ascending) {
    out_.push_back(kEndOfPrimary);
    while (!extra_.empty() && extra_.back() <= kMaxTrimmedExtra) extra_.pop_back();
    const bool hasCrazy = !crazy_.empty();  // the trailer is written even when every code is trimmed
    const bool hasUnprintable = !unprintable_.empty();
    append(out_, extra_);
    if (hasCrazy || hasUnprintable) {
      out_.push_back(kSectionMark);
      out_.push_back(kSectionMark);
      if (hasCrazy) {
        writeCrazyCodes();
        if (hasUnprintable) out_.push_back(kCrazyBeforeUnprintable);
      }
      if (hasUnprintable) {
        out_.push_back(kSectionMark);
        append(out_, unprintable_);
      }
    }
    if (!ascending) {
      out_.push_back(kEndOfKey);
      invertFrom(out_, start);
    }
    out_.push_back(kEndOfKey);
  }

 private:
  // Extra codes line up with the characters that have a primary weight:
  // positions before the first one that needs a code are left out, the
  // ones between get a placeholder. A modifier changes the last code, or
  // stands alone (and is then not counted as a position) if there is none.
  void addExtra(size_t here, ByteSpan code, uint8_t modifier) {
    uncertain_ |= positionsUncertain_;
    extraStarted_ = true;
    if (extraPositions_ < here) {
      extra_.insert(extra_.end(), here - extraPositions_, kExtraPlaceholder);
      extraPositions_ = here;
    }
    if (!code.empty()) {
      append(extra_, code);  // counted per letter, an expansion has a code for each
      extraPositions_ += perLetter_ ? code.size() : 1;
    } else if (!extra_.empty()) {
      extra_.back() = uint8_t(extra_.back() + modifier);
    } else {
      extra_.push_back(modifier);
      leadingModifiers_ = 1;
    }
  }

  // The position of an unprintable character counts the extra-code bytes
  // written so far plus the positions still to be filled, not a leading
  // modifier.
  void addUnprintable(size_t here, ByteSpan bytes) {
    uncertain_ |= positionsUncertain_;
    size_t at = extraStarted_ ? extra_.size() + (here - extraPositions_) - leadingModifiers_ : here;
    uint16_t word = uint16_t((kUnprintableBase + kUnprintableStep * at) | kUnprintableFlag);
    unprintable_.push_back(uint8_t(word >> 8));
    unprintable_.push_back(uint8_t(word));
    unprintable_.push_back(kUnprintableMark);
    append(unprintable_, bytes);
  }

  void writeCrazyCodes() {
    while (!crazy_.empty() && crazy_.back() == kCrazyCodeTrimmed) crazy_.pop_back();
    for (size_t i = 0; i < crazy_.size(); i += 3) {
      uint8_t b = kCrazyByte;
      for (size_t k = 0; k < 3 && i + k < crazy_.size(); ++k) b |= uint8_t(crazy_[i + k] << (4 - 2 * k));
      out_.push_back(b);
    }
    append(out_, kCrazyTrailer);
  }

  const SortWeights& table_;
  const bool perLetter_;
  std::vector<uint8_t>& out_;
  size_t position_ = 0;  // characters with a primary weight so far
  std::vector<uint8_t> extra_;
  bool extraStarted_ = false;
  size_t extraPositions_ = 0;
  size_t leadingModifiers_ = 0;
  std::vector<uint8_t> unprintable_;
  std::vector<uint8_t> crazy_;
  bool positionsUncertain_ = false;
  bool uncertain_ = false;
};

class NibbleWriter {
 public:
  void push(uint8_t nibble) {
    if (count_ % 2 == 0) {
      bytes_.push_back(uint8_t(nibble << 4));
    } else {
      bytes_.back() = uint8_t(bytes_.back() | (nibble & 0x0F));
    }
    ++count_;
  }
  bool empty() const { return count_ == 0; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

// Jet 3 counts each letter of an expansion.
void appendGeneral97Key(std::vector<uint8_t>& out, std::u16string_view text, bool ascending) {
  const SortWeights& table = general97Weights();
  const size_t start = out.size();
  NibbleWriter extra;
  size_t significant = 0;  // since the last extra code
  for (char16_t unit : text) {
    uint8_t code = unit == 0                       ? kNulWeighedAs
                   : unit <= 0xFF                  ? uint8_t(unit)
                   : unit == kReplacementCharacter ? kUnassignedCodePageByte
                                                   : general97Equivalent(unit);
    const CharWeights& w = table.at(code);
    switch (w.kind) {
      case WeightKind::Simple:
        append(out, table.primary(w));
        significant += w.expansion;  // ß as "ss": two significant letters
        break;
      case WeightKind::Significant:
        append(out, table.primary(w));
        ++significant;
        break;
      case WeightKind::International:
        append(out, table.primary(w));
        if (extra.empty()) extra.push(kNibbleBound);
        for (; significant > 0; --significant) extra.push(kNibblePlaceholder);
        if (w.extraLength > 0) extra.push(table.extra(w)[0]);
        break;
      default: break;
    }
  }
  if (extra.empty()) {
    out.push_back(kEndOfKey);
  } else {
    extra.push(kNibbleBound);
    append(out, extra.bytes());
  }
  if (!ascending) invertFrom(out, start);
}

}  // namespace

Status appendTextKey(std::vector<uint8_t>& out, TextSortOrder order, ExpansionPositions expansions,
                     std::u16string_view text, bool ascending) {
  text = indexedPart(text);
  if (order == TextSortOrder::General97) {
    appendGeneral97Key(out, text, ascending);
    return okStatus();
  }
  if (text.find(kNul) != std::u16string_view::npos) {
    return Error(ErrorKind::Unsupported,
                 "the text holds a NUL character, whose place in the index order is not known, so its index key "
                 "cannot be made");
  }
  const size_t start = out.size();
  GeneralKeyWriter writer(order == TextSortOrder::General ? generalWeights() : generalLegacyWeights(), expansions, out);
  for (char16_t unit : text) writer.add(unit);
  if (writer.uncertain()) {
    out.resize(start);
    return Error(ErrorKind::Unsupported,
                 "the text holds a character after which the positions of accents in the index order are not known, "
                 "so its index key cannot be made");
  }
  writer.finish(start, ascending);
  return okStatus();
}

}  // namespace ledgerfen::index
