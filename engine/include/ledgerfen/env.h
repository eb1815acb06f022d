// The operating system as the engine sees it: files, their durability and
// locks.
//
// The engine reaches the disk only through an Env, so tests can run it over a
// file system in memory that fails on purpose or loses unsynced writes at a
// simulated crash. defaultEnv() is the real one (POSIX). An Env and its files
// are used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "ledgerfen/status.h"

namespace ledgerfen {

class File {
 public:
  virtual ~File() = default;

  // The name used in error messages (normally the path).
  virtual const std::string& name() const = 0;
  virtual Result<uint64_t> size() = 0;
  // Fills `out` completely from `offset`; a short read is a Corrupt error.
  virtual Status readAt(uint64_t offset, std::span<uint8_t> out) = 0;
  virtual Status writeAt(uint64_t offset, std::span<const uint8_t> data) = 0;
  virtual Status truncate(uint64_t size) = 0;
  // Returns once everything written so far is on stable storage.
  virtual Status sync() = 0;
  // Takes an advisory lock on the whole file for as long as this File is
  // open; false when another open File (of any process) holds one.
  virtual Result<bool> tryLock() = 0;
};

enum class OpenMode {
  ReadOnly,
  ReadWrite,     // the file must exist
  CreateOrOpen,  // read-write, created empty when missing
  CreateNew,     // read-write, fails when the file exists
};

class Env {
 public:
  virtual ~Env() = default;

  virtual Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) = 0;
  virtual bool exists(const std::string& path) = 0;
  virtual Status remove(const std::string& path) = 0;
  // Moves `from` to `to`, replacing `to`, in one step.
  virtual Status rename(const std::string& from, const std::string& to) = 0;
  // Makes the creation or removal of files in the folder of `path` durable.
  virtual Status syncFolderOf(const std::string& path) = 0;
  // The name of this computer, as a lock file records it.
  virtual std::string hostName() = 0;
};

// The real file system.
Env& defaultEnv();

}  // namespace ledgerfen
