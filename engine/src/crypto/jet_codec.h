// Jet3/Jet4 page encoding ("Encrypt database" in Access 97-2003): every page
// after the header is RC4-encoded with the header's 4-byte key XOR-ed with
// the little-endian page number. The same operation encodes and decodes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "page/page_codec.h"

namespace ledgerfen::crypto {

std::unique_ptr<page::PageCodec> makeJetPageCodec(std::array<uint8_t, 4> key);

}  // namespace ledgerfen::crypto
