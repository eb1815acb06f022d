// The Access file formats the engine knows, as named by the version byte of
// the header page. Plain data; safe to share between threads.
#pragma once

#include <cstdint>
#include <string_view>

namespace ledgerfen {

enum class FileFormat : uint8_t {
  Jet3,   // Access 97, 2 KB pages, text in a code page
  Jet4,   // Access 2000-2003
  Ace12,  // Access 2007
  Ace14,  // Access 2010
  Ace15,  // Access 2013
  Ace16,  // Access 2016 (adds BigInt)
  Ace17,  // Access 2019 and later (adds Date/Time Extended)
};

// "jet3", "jet4", "ace12", ... as the canonical dump prints them.
std::string_view fileFormatName(FileFormat format);

inline bool isJet3(FileFormat f) {
  return f == FileFormat::Jet3;
}
inline bool isAce(FileFormat f) {
  return f >= FileFormat::Ace12;
}

}  // namespace ledgerfen
