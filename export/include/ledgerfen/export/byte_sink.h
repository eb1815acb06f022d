// Where a finished export goes: the complete bytes of one file, handed over
// in a single call once the whole text is built, so that nothing of it
// reaches its destination before it is complete.
//
// FileReplacement puts the bytes in place of a file atomically; StringSink
// keeps them (tests); StreamSink passes them to a stream (standard output).
// Used by one thread at a time.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes the complete bytes of the file.
  virtual Status write(std::string_view bytes) = 0;
};

// Replaces the file at `path` (created when missing) with the bytes. They
// are written to a new file in the same folder, flushed to the disk, and
// the new file then takes the old one's place in one rename, so a failure
// at any point leaves the old file whole and no partial file behind. The
// new file keeps the permissions of the one it replaces (a new one gets
// the usual 0666 less the umask); an existing file that its owner cannot
// write is refused, as is a path naming a folder. A symbolic link is
// followed, so the link stays and its target is replaced.
class FileReplacement final : public ByteSink {
 public:
  explicit FileReplacement(std::string path) : path_(std::move(path)) {}
  Status write(std::string_view bytes) override;

 private:
  std::string path_;
};

class StringSink final : public ByteSink {
 public:
  std::string bytes;
  int writes = 0;
  Status write(std::string_view b) override {
    bytes.assign(b);
    ++writes;
    return okStatus();
  }
};

class StreamSink final : public ByteSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  Status write(std::string_view bytes) override;

 private:
  std::ostream& out_;
};

}  // namespace ledgerfen::exporting
