// The bytes of an index key, held in place when short (as almost every key
// is) and on the heap otherwise, so that decoding a page of a few hundred
// entries does not allocate once per entry.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace ledgerfen::index {

class KeyBytes {
 public:
  static constexpr size_t kInline = 32;

  KeyBytes() = default;
  KeyBytes(std::span<const uint8_t> bytes) { assign(bytes.begin(), bytes.end()); }  // NOLINT: implicit by design
  KeyBytes(const std::vector<uint8_t>& bytes) : KeyBytes(std::span<const uint8_t>(bytes)) {}  // NOLINT
  KeyBytes(std::initializer_list<uint8_t> bytes) : KeyBytes(std::span<const uint8_t>(bytes.begin(), bytes.size())) {}
  KeyBytes(const KeyBytes& other) : KeyBytes(other.span()) {}
  KeyBytes(KeyBytes&& other) noexcept { *this = std::move(other); }
  KeyBytes& operator=(const KeyBytes& other) {
    if (this != &other) assign(other.begin(), other.end());
    return *this;
  }
  KeyBytes& operator=(KeyBytes&& other) noexcept {
    if (this == &other) return *this;
    heap_ = std::move(other.heap_);
    capacity_ = other.capacity_;
    size_ = other.size_;
    if (!heap_) std::memcpy(inline_, other.inline_, size_);
    other.capacity_ = kInline;
    other.size_ = 0;
    return *this;
  }

  const uint8_t* data() const { return heap_ ? heap_.get() : inline_; }
  uint8_t* data() { return heap_ ? heap_.get() : inline_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const uint8_t* begin() const { return data(); }
  const uint8_t* end() const { return data() + size_; }
  uint8_t operator[](size_t i) const { return data()[i]; }
  std::span<const uint8_t> span() const { return {data(), size_}; }
  operator std::span<const uint8_t>() const { return span(); }  // NOLINT: implicit by design

  template <typename It>
  void assign(It first, It last) {
    size_ = 0;
    append(first, last);
  }
  template <typename It>
  void append(It first, It last) {
    const size_t n = size_t(std::distance(first, last));
    reserve(size_ + n);
    std::copy(first, last, data() + size_);
    size_ += n;
  }
  void push_back(uint8_t b) {
    reserve(size_ + 1);
    data()[size_++] = b;
  }
  void clear() { size_ = 0; }
  void reserve(size_t n) {
    if (n <= capacity_) return;
    size_t grown = std::max(n, capacity_ * 2);
    auto bigger = std::make_unique<uint8_t[]>(grown);
    std::memcpy(bigger.get(), data(), size_);
    heap_ = std::move(bigger);
    capacity_ = grown;
  }

  friend bool operator==(const KeyBytes& a, const KeyBytes& b) { return equal(a.span(), b.span()); }
  friend bool operator==(const KeyBytes& a, const std::vector<uint8_t>& b) { return equal(a.span(), b); }

 private:
  static bool equal(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
  }

  std::unique_ptr<uint8_t[]> heap_;
  size_t capacity_ = kInline;
  size_t size_ = 0;
  uint8_t inline_[kInline];
};

}  // namespace ledgerfen::index
