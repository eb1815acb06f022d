// Turns a page as stored into a page as the format describes it, and back.
//
// Plain files have no codec. Encoded Jet files and encrypted ACE files get one
// from the crypto layer once the password is verified. Every page but page 0
// passes through it on read, and (for the writer) on write, so an encrypted
// file stays encrypted.
#pragma once

#include <cstdint>
#include <span>

#include "ledgerfen/status.h"

namespace ledgerfen::page {

class PageCodec {
 public:
  virtual ~PageCodec() = default;
  virtual Status decode(uint32_t pageNumber, std::span<uint8_t> page) const = 0;
  virtual Status encode(uint32_t pageNumber, std::span<uint8_t> page) const = 0;
};

}  // namespace ledgerfen::page
