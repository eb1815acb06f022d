// Key material: bytes that are wiped when they go away, so derived keys and
// password bytes do not linger in freed memory. Move-only.
#pragma once

#include <openssl/crypto.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace ledgerfen::crypto {

class SecretBytes {
 public:
  SecretBytes() = default;
  explicit SecretBytes(size_t size, uint8_t fill = 0) : bytes_(size, fill) {}
  explicit SecretBytes(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
  SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
  SecretBytes& operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
      wipe();
      bytes_ = std::move(other.bytes_);
      other.bytes_.clear();
    }
    return *this;
  }
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  ~SecretBytes() { wipe(); }

  size_t size() const { return bytes_.size(); }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  uint8_t& operator[](size_t i) { return bytes_[i]; }
  uint8_t operator[](size_t i) const { return bytes_[i]; }
  std::span<const uint8_t> view() const { return bytes_; }
  std::span<uint8_t> span() { return bytes_; }

  // Shortens to `size` bytes, or lengthens with `fill` bytes.
  void resize(size_t size, uint8_t fill) {
    if (size < bytes_.size()) OPENSSL_cleanse(bytes_.data() + size, bytes_.size() - size);
    // Growing may move the bytes: copy into a new buffer and wipe the old one.
    if (size > bytes_.capacity()) {
      SecretBytes grown(size, fill);
      std::copy(bytes_.begin(), bytes_.end(), grown.bytes_.begin());
      *this = std::move(grown);
      return;
    }
    bytes_.resize(size, fill);
  }

 private:
  void wipe() {
    if (!bytes_.empty()) OPENSSL_cleanse(bytes_.data(), bytes_.size());
  }

  std::vector<uint8_t> bytes_;
};

}  // namespace ledgerfen::crypto
