#include "index/index_page_view.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace ledgerfen::index {
namespace {

Error corrupt(uint32_t number, const std::string& why) {
  return Error(ErrorKind::Corrupt, "index page " + std::to_string(number) + ": " + why);
}

// Compares the bytes of a and b as one string each, a given in two parts.
int compareParts(format::Bytes aHead, format::Bytes aRest, std::span<const uint8_t> b) {
  size_t n = std::min(aHead.size(), b.size());
  if (n > 0) {
    if (int c = std::memcmp(aHead.data(), b.data(), n); c != 0) return c < 0 ? -1 : 1;
  }
  if (aHead.size() >= b.size()) return aHead.size() + aRest.size() > b.size() ? 1 : 0;
  b = b.subspan(aHead.size());
  n = std::min(aRest.size(), b.size());
  if (n > 0) {
    if (int c = std::memcmp(aRest.data(), b.data(), n); c != 0) return c < 0 ? -1 : 1;
  }
  if (aRest.size() == b.size()) return 0;
  return aRest.size() < b.size() ? -1 : 1;
}

}  // namespace

Result<IndexPageView> IndexPageView::open(const format::FormatSpec& spec, uint32_t number, format::Bytes b) {
  if (b.size() != spec.pageSize) return corrupt(number, "the page is cut short");
  if (b[0] != format::kPageIndexNode && b[0] != format::kPageIndexLeaf) {
    return corrupt(number, "not an index page (type " + std::to_string(b[0]) + ")");
  }
  IndexPageView v;
  v.leaf_ = b[0] == format::kPageIndexLeaf;
  v.owner_ = format::u32le(b, spec.indexOwner);
  v.next_ = format::u32le(b, spec.indexNextPage);
  v.tail_ = format::u32le(b, spec.indexTailPage);
  const size_t prefix = storedPrefixLength(spec, b);
  const size_t area = entryAreaSize(spec);
  v.area_ = b.subspan(spec.indexEntriesStart, area);
  format::Bytes mask = b.subspan(spec.indexEntryMask, spec.indexEntryMaskSize);
  size_t count = 0;
  for (uint8_t bits : mask) count += size_t(std::popcount(bits));
  v.ends_.reserve(count);
  for (size_t byte = 0; byte < mask.size(); ++byte) {
    for (uint8_t bits = mask[byte]; bits != 0; bits = uint8_t(bits & (bits - 1))) {
      const size_t end = byte * 8 + size_t(std::countr_zero(bits));
      const size_t start = v.ends_.empty() ? 0 : v.ends_.back();
      const size_t head = v.ends_.empty() ? 0 : prefix;
      if (end > area) return corrupt(number, "an entry ends past the end of the page");
      if (head + end - start < v.trailer()) return corrupt(number, "an entry is shorter than its row pointer");
      v.ends_.push_back(uint16_t(end));
    }
  }
  if (!v.ends_.empty()) {
    if (prefix > v.ends_.front()) return corrupt(number, "its shared prefix is longer than its first entry");
    v.prefix_ = v.area_.first(prefix);
  }
  return v;
}

IndexPageView::Parts IndexPageView::parts(size_t i) const {
  const size_t start = i == 0 ? 0 : ends_[i - 1];
  return Parts{i == 0 ? format::Bytes() : prefix_, area_.subspan(start, ends_[i] - start)};
}

int IndexPageView::compare(size_t i, const IndexEntry& target) const {
  const Parts p = parts(i);
  const size_t keyLength = p.size() - trailer();
  // The key: the head and the stored bytes up to the row pointer.
  const format::Bytes head = p.head.first(std::min(p.head.size(), keyLength));
  const format::Bytes rest = p.stored.first(keyLength - head.size());
  if (int c = compareParts(head, rest, target.key.span()); c != 0) return c;
  const uint32_t page = (uint32_t(p[keyLength]) << 16) | (uint32_t(p[keyLength + 1]) << 8) | p[keyLength + 2];
  if (page != target.row.page) return page < target.row.page ? -1 : 1;
  const uint8_t row = p[keyLength + 3];
  if (row != target.row.row) return row < target.row.row ? -1 : 1;
  return 0;
}

bool IndexPageView::keyEquals(size_t i, std::span<const uint8_t> key) const {
  const Parts p = parts(i);
  const size_t keyLength = p.size() - trailer();
  if (keyLength != key.size()) return false;
  const format::Bytes head = p.head.first(std::min(p.head.size(), keyLength));
  return compareParts(head, p.stored.first(keyLength - head.size()), key) == 0;
}

IndexEntry IndexPageView::entry(size_t i) const {
  const Parts p = parts(i);
  const size_t keyLength = p.size() - trailer();
  IndexEntry e;
  e.key.reserve(keyLength);
  for (size_t k = 0; k < keyLength; ++k) e.key.push_back(p[k]);
  e.row.page = (uint32_t(p[keyLength]) << 16) | (uint32_t(p[keyLength + 1]) << 8) | p[keyLength + 2];
  e.row.row = p[keyLength + 3];
  if (!leaf_) {
    e.child = (uint32_t(p[keyLength + 4]) << 24) | (uint32_t(p[keyLength + 5]) << 16) |
              (uint32_t(p[keyLength + 6]) << 8) | p[keyLength + 7];
  }
  return e;
}

}  // namespace ledgerfen::index
