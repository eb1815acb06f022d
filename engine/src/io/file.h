// Random-access files under the engine.
//
// The engine reaches the disk only through File, so tests can put a file in
// memory or one that fails on purpose in its place. A File is used by one
// thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "ledgerfen/status.h"

namespace ledgerfen::io {

class File {
 public:
  virtual ~File() = default;

  // The name used in error messages (normally the path).
  virtual const std::string& name() const = 0;
  virtual Result<uint64_t> size() = 0;
  // Fills `out` completely from `offset`; a short read is an error.
  virtual Status readAt(uint64_t offset, std::span<uint8_t> out) = 0;
};

// Opens an existing file for reading.
Result<std::unique_ptr<File>> openFileForReading(const std::string& path);

// A file held in memory, for tests and fuzzing.
std::unique_ptr<File> memoryFile(std::string name, std::span<const uint8_t> bytes);

}  // namespace ledgerfen::io
