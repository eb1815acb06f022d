#include "support/memory_env.h"

#include <algorithm>
#include <cstring>

namespace ledgerfen::test {

class MemoryFile final : public File {
 public:
  MemoryFile(MemoryEnv& env, std::string path, std::shared_ptr<MemoryEnv::Node> node, bool writable, int generation)
      : env_(env), path_(std::move(path)), node_(std::move(node)), writable_(writable), generation_(generation) {}
  ~MemoryFile() override {
    if (locked_ && generation_ == env_.generation_) --node_->locks;
  }

  const std::string& name() const override { return path_; }
  Result<uint64_t> size() override {
    LF_RETURN_IF_ERROR(alive());
    return uint64_t(node_->current.size());
  }
  Status readAt(uint64_t offset, std::span<uint8_t> out) override {
    LF_RETURN_IF_ERROR(alive());
    if (offset > node_->current.size() || out.size() > node_->current.size() - offset) {
      return Error(ErrorKind::Corrupt, path_ + ": the file ends before the data it declares");
    }
    if (!out.empty()) std::memcpy(out.data(), node_->current.data() + offset, out.size());
    return okStatus();
  }
  Status writeAt(uint64_t offset, std::span<const uint8_t> data) override {
    LF_RETURN_IF_ERROR(alive());
    if (!writable_) return Error(ErrorKind::ReadOnly, path_ + ": opened for reading");
    LF_RETURN_IF_ERROR(env_.beforeOperation(path_));
    if (node_->current.size() < offset + data.size()) node_->current.resize(offset + data.size());
    std::copy(data.begin(), data.end(), node_->current.begin() + long(offset));
    return okStatus();
  }
  Status truncate(uint64_t size) override {
    LF_RETURN_IF_ERROR(alive());
    LF_RETURN_IF_ERROR(env_.beforeOperation(path_));
    node_->current.resize(size);
    return okStatus();
  }
  Status sync() override {
    LF_RETURN_IF_ERROR(alive());
    LF_RETURN_IF_ERROR(env_.beforeOperation(path_));
    node_->durable = node_->current;
    return okStatus();
  }
  Result<bool> tryLock() override {
    LF_RETURN_IF_ERROR(alive());
    if (locked_) return true;
    if (node_->locks > 0) return false;
    ++node_->locks;
    locked_ = true;
    return true;
  }

 private:
  Status alive() const {
    if (env_.crashed_ || generation_ != env_.generation_) return Error(ErrorKind::Io, path_ + ": the machine crashed");
    return okStatus();
  }

  MemoryEnv& env_;
  std::string path_;
  std::shared_ptr<MemoryEnv::Node> node_;
  bool writable_;
  int generation_;
  bool locked_ = false;
};

Status MemoryEnv::beforeOperation(const std::string& path) {
  int number = operations_++;
  if (number == crashAt_) {
    crash();
    return Error(ErrorKind::Io, path + ": the machine crashed");
  }
  if (number == failAt_) return Error(ErrorKind::Io, path + ": injected write failure");
  return okStatus();
}

Result<std::unique_ptr<File>> MemoryEnv::open(const std::string& path, OpenMode mode) {
  if (crashed_) return Error(ErrorKind::Io, path + ": the machine crashed");
  if (mode != OpenMode::ReadOnly && std::find(readOnly_.begin(), readOnly_.end(), path) != readOnly_.end()) {
    return Error(ErrorKind::ReadOnly, path + ": permission denied");
  }
  auto& node = nodes_[path];
  if (!node) node = std::make_shared<Node>();
  if (!node->exists) {
    if (mode == OpenMode::ReadOnly || mode == OpenMode::ReadWrite)
      return Error(ErrorKind::NotFound, path + ": no such file");
    node->exists = true;
    node->current.clear();
  } else if (mode == OpenMode::CreateNew) {
    return Error(ErrorKind::Io, path + ": exists");
  }
  return std::unique_ptr<File>(new MemoryFile(*this, path, node, mode != OpenMode::ReadOnly, generation_));
}

bool MemoryEnv::exists(const std::string& path) {
  auto it = nodes_.find(path);
  return it != nodes_.end() && it->second->exists;
}

Status MemoryEnv::remove(const std::string& path) {
  if (auto it = nodes_.find(path); it != nodes_.end()) it->second->exists = false;
  return okStatus();
}

Status MemoryEnv::rename(const std::string& from, const std::string& to) {
  auto it = nodes_.find(from);
  if (it == nodes_.end() || !it->second->exists) return Error(ErrorKind::NotFound, from + ": no such file");
  nodes_[to] = it->second;
  nodes_.erase(it);
  return okStatus();
}

Status MemoryEnv::syncFolderOf(const std::string& path) {
  LF_RETURN_IF_ERROR(beforeOperation(path));
  for (auto& [name, node] : nodes_) node->durableExists = node->exists;
  return okStatus();
}

void MemoryEnv::put(const std::string& path, std::vector<uint8_t> bytes) {
  auto node = std::make_shared<Node>();
  node->durable = node->current = std::move(bytes);
  node->durableExists = node->exists = true;
  nodes_[path] = node;
}

std::vector<uint8_t> MemoryEnv::contents(const std::string& path) const {
  auto it = nodes_.find(path);
  return it == nodes_.end() ? std::vector<uint8_t>() : it->second->current;
}

void MemoryEnv::crash() {
  crashed_ = true;
  for (auto& [name, node] : nodes_) {
    node->current = node->durable;
    node->exists = node->durableExists;
    node->locks = 0;
  }
}

void MemoryEnv::reboot() {
  crashed_ = false;
  crashAt_ = failAt_ = -1;
  ++generation_;
  for (auto& [name, node] : nodes_) node->locks = 0;
}

}  // namespace ledgerfen::test
