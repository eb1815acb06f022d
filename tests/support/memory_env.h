// A file system in memory for crash and failure tests.
//
// Every file keeps what has been synced apart from what has only been
// written: crash() forgets all unsynced writes (and files created or removed
// without a sync of their folder), as a power cut would. failWriteNumber(n)
// makes the n-th write or sync from now fail with an I/O error, and
// crashAtWrite(n) crashes the machine just before the n-th write or sync:
// that write and everything after it is lost until reset.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ledgerfen/env.h"

namespace ledgerfen::test {

class MemoryEnv final : public Env {
 public:
  Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override;
  bool exists(const std::string& path) override;
  Status remove(const std::string& path) override;
  Status rename(const std::string& from, const std::string& to) override;
  Status syncFolderOf(const std::string& path) override;
  std::string hostName() override { return "testhost"; }

  // Puts a file in place as if synced.
  void put(const std::string& path, std::vector<uint8_t> bytes);
  // Opening `path` for writing then fails as it does without permission.
  void makeReadOnly(const std::string& path) { readOnly_.push_back(path); }
  // The file's current (unsynced) content.
  std::vector<uint8_t> contents(const std::string& path) const;

  void failWriteNumber(int n) { failAt_ = operations_ + n; }
  void crashAtWrite(int n) { crashAt_ = operations_ + n; }
  // Forgets unsynced writes; open files stop working until reset().
  void crash();
  bool crashed() const { return crashed_; }
  // Counts writes and syncs so far.
  int operations() const { return operations_; }
  // After a crash: a fresh boot, same durable state.
  void reboot();

 private:
  struct Node {
    std::vector<uint8_t> durable;
    std::vector<uint8_t> current;
    bool durableExists = false;  // the file's name survives a crash
    bool exists = false;
    int locks = 0;
  };
  friend class MemoryFile;
  // Called before every write and sync; false when it must fail.
  Status beforeOperation(const std::string& path);

  std::map<std::string, std::shared_ptr<Node>> nodes_;
  int operations_ = 0;
  int failAt_ = -1;
  int crashAt_ = -1;
  bool crashed_ = false;
  int generation_ = 0;
  std::vector<std::string> readOnly_;
};

}  // namespace ledgerfen::test
