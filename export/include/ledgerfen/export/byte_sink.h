// Where an export's bytes go: taken piece by piece as they are made, and
// taking effect only when the file is finished, so that the whole file never
// has to be held in memory and nothing of it reaches its destination before
// it is complete.
//
// FileReplacement puts the file in place of another atomically; StringSink
// keeps the bytes (tests); StreamSink passes them on to a stream (standard
// output) as they come. Used by one thread at a time.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes the next bytes of the file.
  virtual Status append(std::string_view bytes) = 0;
  // The file is complete: it takes effect. A sink left unfinished (an
  // export that failed half way) changes nothing.
  virtual Status finish() = 0;
  // The whole file in one piece.
  Status write(std::string_view bytes) {
    LF_RETURN_IF_ERROR(append(bytes));
    return finish();
  }
};

// Replaces the file at `path` (created when missing) with the bytes. They
// are written to a new file in the same folder as they come, flushed to the
// disk when finished, and the new file then takes the old one's place in
// one rename, so a failure at any point leaves the old file whole and no
// partial file behind (an unfinished replacement removes its new file). The
// new file keeps the permissions of the one it replaces (a new one gets the
// usual 0666 less the umask); an existing file that its owner cannot write
// is refused, as is a path naming a folder. A symbolic link is followed, so
// the link stays and its target is replaced.
class FileReplacement final : public ByteSink {
 public:
  explicit FileReplacement(std::string path) : path_(std::move(path)) {}
  ~FileReplacement() override;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  Status append(std::string_view bytes) override;
  Status finish() override;

 private:
  // Checks the target and makes the new file beside it.
  Status start();
  void abandon();

  std::string path_;
  std::string target_;     // the file the path finally names
  std::string temporary_;  // the new file, while it is being written
  int fd_ = -1;
  bool replacesFile_ = false;
  unsigned oldMode_ = 0;
  bool finished_ = false;
  bool failed_ = false;
};

class StringSink final : public ByteSink {
 public:
  std::string bytes;
  bool finished = false;
  Status append(std::string_view b) override {
    bytes.append(b);
    return okStatus();
  }
  Status finish() override {
    finished = true;
    return okStatus();
  }
};

// Standard output cannot wait for the end: the bytes go out as they come.
class StreamSink final : public ByteSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  Status append(std::string_view bytes) override;
  Status finish() override;

 private:
  std::ostream& out_;
};

}  // namespace ledgerfen::exporting
