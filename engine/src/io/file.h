// Files under the engine: the real file system (ledgerfen/env.h) and a
// read-only file held in memory, for databases given as bytes.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "ledgerfen/env.h"

namespace ledgerfen::io {

// A read-only file holding a copy of `bytes`.
std::unique_ptr<File> memoryFile(std::string name, std::span<const uint8_t> bytes);

}  // namespace ledgerfen::io
