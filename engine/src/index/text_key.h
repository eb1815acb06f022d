// The index key of a text value under one of Access's General sort orders.
//
// The key compares, byte by byte, the way Access orders text: first by the
// primary weights of the characters (case and most accents ignored), then
// by their extra codes (accents, width), then by the characters that carry
// no primary weight (apostrophe, hyphen, controls). Only the first 255
// UTF-16 code units count, without trailing spaces. Thread-safe.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ledgerfen/file_format.h"
#include "ledgerfen/status.h"

namespace ledgerfen::index {

enum class TextSortOrder : uint8_t {
  General97,      // Jet3
  GeneralLegacy,  // Jet4 and ACE 2007 ("General - Legacy" in later versions)
  General,        // ACE 2010 and later
};

// How a character that Access weighs as several letters (an expansion: ß as
// "ss", Æ as "ae") counts among the positions of the accent codes. Files
// Jet 4 (Access 2000-2003) wrote count it once; ACE and Jet 3 (Access 97)
// count each letter it stands for. Stored keys of each show it.
enum class ExpansionPositions : uint8_t { One, PerLetter };

inline ExpansionPositions expansionPositionsOf(FileFormat format) {
  return format == FileFormat::Jet4 ? ExpansionPositions::One : ExpansionPositions::PerLetter;
}

// Code units of a text value that an index key covers.
inline constexpr size_t kMaxIndexedTextUnits = 255;

// Appends the key bytes of a non-NULL value (without the column's flag byte).
// A descending column gets the bytes that sort the other way round. Fails
// (Unsupported, appending nothing) for the few values whose key is not known
// to be the one Access makes.
Status appendTextKey(std::vector<uint8_t>& out, TextSortOrder order, ExpansionPositions expansions,
                     std::u16string_view text, bool ascending);

}  // namespace ledgerfen::index
