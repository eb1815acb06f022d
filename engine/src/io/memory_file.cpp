#include <cstring>
#include <string>
#include <vector>

#include "io/file.h"

namespace ledgerfen::io {
namespace {

class MemoryFile final : public File {
 public:
  MemoryFile(std::string name, std::span<const uint8_t> bytes)
      : name_(std::move(name)), bytes_(bytes.begin(), bytes.end()) {}

  const std::string& name() const override { return name_; }
  Result<uint64_t> size() override { return uint64_t(bytes_.size()); }
  Status readAt(uint64_t offset, std::span<uint8_t> out) override {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
      return Error(ErrorKind::Corrupt, name_ + ": the file ends before the data it declares");
    }
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return okStatus();
  }
  Status writeAt(uint64_t, std::span<const uint8_t>) override { return readOnly(); }
  Status truncate(uint64_t) override { return readOnly(); }
  Status sync() override { return okStatus(); }
  Result<bool> tryLock() override { return true; }

 private:
  Status readOnly() const { return Error(ErrorKind::ReadOnly, name_ + ": is held in memory and cannot be written"); }

  std::string name_;
  std::vector<uint8_t> bytes_;
};

}  // namespace

std::unique_ptr<File> memoryFile(std::string name, std::span<const uint8_t> bytes) {
  return std::make_unique<MemoryFile>(std::move(name), bytes);
}

}  // namespace ledgerfen::io
