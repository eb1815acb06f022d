#include "index/index_page.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

namespace ledgerfen::index {
namespace {

using format::Bytes;

size_t trailerSize(bool leaf) {
  return leaf ? kLeafEntryTrailer : kNodeEntryTrailer;
}

size_t maxPrefixLength(const format::FormatSpec& spec) {
  return spec.indexPrefixLengthSize == 1 ? 0xFF : 0xFFFF;
}

// An entry as it lies on the page before prefix compression.
void appendStoredEntry(std::vector<uint8_t>& out, const IndexEntry& e, bool leaf) {
  out.insert(out.end(), e.key.begin(), e.key.end());
  size_t at = out.size();
  out.resize(at + trailerSize(leaf));
  format::put24be(&out[at], e.row.page);
  out[at + 3] = e.row.row;
  if (!leaf) format::put32be(&out[at + 4], e.child);
}

size_t commonPrefix(Bytes a, Bytes b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

Error corrupt(uint32_t number, const std::string& why) {
  return Error(ErrorKind::Corrupt, "index page " + std::to_string(number) + ": " + why);
}

Error invalid(const std::string& why) {
  return Error(ErrorKind::InvalidArgument, "index page: " + why);
}

}  // namespace

int compareEntries(const IndexEntry& a, const IndexEntry& b) {
  size_t n = std::min(a.key.size(), b.key.size());
  if (n > 0) {
    if (int c = std::memcmp(a.key.data(), b.key.data(), n); c != 0) return c < 0 ? -1 : 1;
  }
  if (a.key.size() != b.key.size()) return a.key.size() < b.key.size() ? -1 : 1;
  if (a.row.page != b.row.page) return a.row.page < b.row.page ? -1 : 1;
  if (a.row.row != b.row.row) return a.row.row < b.row.row ? -1 : 1;
  return 0;
}

Result<IndexPage> decodeIndexPage(const format::FormatSpec& spec, uint32_t number, Bytes b) {
  if (b.size() != spec.pageSize) return corrupt(number, "the page is cut short");
  if (b[0] != format::kPageIndexNode && b[0] != format::kPageIndexLeaf) {
    return corrupt(number, "not an index page (type " + std::to_string(b[0]) + ")");
  }
  IndexPage page;
  page.number = number;
  page.leaf = b[0] == format::kPageIndexLeaf;
  page.owner = format::u32le(b, spec.indexOwner);
  page.prev = format::u32le(b, spec.indexPrevPage);
  page.next = format::u32le(b, spec.indexNextPage);
  page.tail = format::u32le(b, spec.indexTailPage);
  page.prefixLength =
      spec.indexPrefixLengthSize == 1 ? b[spec.indexPrefixLength] : format::u16le(b, spec.indexPrefixLength);

  const size_t trailer = trailerSize(page.leaf);
  const size_t area = entryAreaSize(spec);
  Bytes mask = b.subspan(spec.indexEntryMask, spec.indexEntryMaskSize);
  Bytes entries = b.subspan(spec.indexEntriesStart);
  size_t count = 0;
  for (uint8_t bits : mask) count += size_t(std::popcount(bits));
  page.entries.reserve(count);
  Bytes prefix;
  size_t start = 0;
  for (size_t bit = 0; bit < mask.size() * 8; ++bit) {
    if (!((mask[bit / 8] >> (bit % 8)) & 1)) continue;
    const size_t ordinal = page.entries.size();
    auto where = [&] { return "entry " + std::to_string(ordinal) + " "; };
    if (bit > area) return corrupt(number, where() + "ends past the end of the page");
    Bytes stored = entries.subspan(start, bit - start);
    if (ordinal == 0) {
      if (page.prefixLength > stored.size()) {
        return corrupt(number, "its shared prefix of " + std::to_string(page.prefixLength) +
                                   " bytes is longer than its first entry");
      }
      prefix = stored.first(page.prefixLength);
    }
    // The whole entry is the shared prefix (after the first) and the bytes
    // stored for it, read in place rather than joined into a copy.
    const Bytes head = ordinal == 0 ? Bytes() : prefix;
    const size_t size = head.size() + stored.size();
    if (size < trailer) return corrupt(number, where() + "is shorter than its row pointer");
    auto byteAt = [&](size_t i) { return i < head.size() ? head[i] : stored[i - head.size()]; };
    auto bigEndian = [&](size_t at, size_t width) {
      uint32_t v = 0;
      for (size_t i = 0; i < width; ++i) v = (v << 8) | byteAt(at + i);
      return v;
    };

    IndexEntry e;
    const size_t keyLength = size - trailer;
    const size_t fromHead = std::min(head.size(), keyLength);
    e.key.reserve(keyLength);
    e.key.assign(head.begin(), head.begin() + long(fromHead));
    e.key.append(stored.begin(), stored.begin() + long(keyLength - fromHead));
    e.row.page = bigEndian(keyLength, 3);
    e.row.row = uint8_t(byteAt(keyLength + 3));
    if (!page.leaf) {
      e.child = bigEndian(keyLength + 4, 4);
      if (e.child == 0) return corrupt(number, where() + "leads to page 0");
    }
    if (ordinal > 0 && compareEntries(page.entries.back(), e) >= 0) {
      return corrupt(number, where() + "is out of order");
    }
    page.entries.push_back(std::move(e));
    start = bit;
  }
  if (page.entries.empty()) page.prefixLength = 0;  // nothing shares it
  return page;
}

size_t entryAreaSize(const format::FormatSpec& spec) {
  return std::min<size_t>(spec.pageSize - spec.indexEntriesStart, size_t(spec.indexEntryMaskSize) * 8);
}

// Entries are in index order, so what the first and the last share, every
// entry between them shares too.
size_t sharedKeyPrefix(std::span<const IndexEntry> entries) {
  if (entries.size() < 2) return 0;
  return commonPrefix(entries.front().key, entries.back().key);
}

size_t storedEntriesSize(std::span<const IndexEntry> entries, bool leaf, size_t prefix) {
  size_t total = 0;
  for (const IndexEntry& e : entries) total += e.key.size() + trailerSize(leaf);
  return entries.empty() ? 0 : total - prefix * (entries.size() - 1);
}

namespace {

// The longest prefix the stored entries share (see defaultPrefixLength).
size_t sharedEntryPrefix(std::span<const IndexEntry> entries, bool leaf) {
  const size_t shared = sharedKeyPrefix(entries);
  if (entries.size() < 2 || shared != entries.front().key.size() || shared != entries.back().key.size()) {
    return shared;
  }
  // Every key is the same: the row pointers' common bytes are shared too,
  // less one byte each entry keeps to mark where it ends. Row pointers come
  // in order after equal keys, so again the first and the last tell.
  std::vector<uint8_t> first, last;
  appendStoredEntry(first, entries.front(), leaf);
  appendStoredEntry(last, entries.back(), leaf);
  size_t trailer = commonPrefix(Bytes(first).subspan(shared), Bytes(last).subspan(shared));
  return shared + std::min(trailer, trailerSize(leaf) - 1);
}

}  // namespace

size_t defaultPrefixLength(const format::FormatSpec& spec, std::span<const IndexEntry> entries, bool leaf) {
  return std::min(sharedEntryPrefix(entries, leaf), maxPrefixLength(spec));
}

bool entriesFit(const format::FormatSpec& spec, std::span<const IndexEntry> entries, bool leaf) {
  return storedEntriesSize(entries, leaf, defaultPrefixLength(spec, entries, leaf)) <= entryAreaSize(spec);
}

namespace {

// An entry as it lies on the page before prefix compression (its key, then
// its row pointer and child), read in place.
class StoredEntry {
 public:
  StoredEntry(const IndexEntry& e, bool leaf) : key_(e.key), trailerSize_(trailerSize(leaf)) {
    format::put24be(&trailer_[0], e.row.page);
    trailer_[3] = e.row.row;
    if (!leaf) format::put32be(&trailer_[4], e.child);
  }
  size_t size() const { return key_.size() + trailerSize_; }
  uint8_t operator[](size_t i) const { return i < key_.size() ? key_[i] : trailer_[i - key_.size()]; }
  // Copies bytes [from, size()) to `out`.
  void copyFrom(size_t from, uint8_t* out) const {
    if (from < key_.size()) {
      std::memcpy(out, key_.data() + from, key_.size() - from);
      out += key_.size() - from;
      from = key_.size();
    }
    std::memcpy(out, trailer_.data() + (from - key_.size()), size() - from);
  }

 private:
  Bytes key_;
  std::array<uint8_t, kNodeEntryTrailer> trailer_{};
  size_t trailerSize_;
};

size_t commonPrefix(const StoredEntry& a, const StoredEntry& b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

}  // namespace

Status encodeIndexPageInto(const format::FormatSpec& spec, const IndexPage& page, const PageEncoding& encoding,
                           std::span<uint8_t> out) {
  if (out.size() != spec.pageSize) return invalid("the page buffer is not one page long");
  const std::span<const IndexEntry> entries(page.entries);
  size_t flatSize = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const IndexEntry& e = entries[i];
    auto which = [i] { return "entry " + std::to_string(i); };
    if (e.row.page > kMaxEntryRowPage) return invalid(which() + " points at a page beyond the reach of an entry");
    if (page.leaf && e.child != 0) return invalid(which() + " of a leaf page names a child page");
    if (!page.leaf && e.child == 0) return invalid(which() + " of a node page names no child page");
    if (i > 0 && compareEntries(entries[i - 1], e) >= 0) return invalid(which() + " is not after the one before it");
    flatSize += e.key.size() + trailerSize(page.leaf);
  }

  size_t prefix = defaultPrefixLength(spec, entries, page.leaf);
  if (encoding.prefixLength) {
    // Any prefix the stored entries share is readable, even one reaching into the row pointers.
    size_t limit = 0;
    if (!entries.empty()) {
      const StoredEntry first(entries[0], page.leaf);
      limit = first.size();
      // A later entry must keep at least one byte of its own to mark where it ends.
      for (size_t i = 1; i < entries.size(); ++i) {
        const StoredEntry other(entries[i], page.leaf);
        limit = std::min({limit, commonPrefix(first, other), other.size() - 1});
      }
    }
    if (*encoding.prefixLength > std::min(limit, maxPrefixLength(spec))) {
      return invalid("the entries do not share a prefix of " + std::to_string(*encoding.prefixLength) + " bytes");
    }
    prefix = *encoding.prefixLength;
  }

  const size_t total = entries.empty() ? 0 : flatSize - prefix * (entries.size() - 1);
  if (total > entryAreaSize(spec)) {
    return invalid("the entries take " + std::to_string(total) + " bytes; a page holds " +
                   std::to_string(entryAreaSize(spec)));
  }

  std::fill(out.begin(), out.end(), 0);
  out[0] = page.leaf ? format::kPageIndexLeaf : format::kPageIndexNode;
  out[1] = 0x01;
  format::put16le(&out[spec.indexFreeSpace], uint16_t(spec.pageSize - spec.indexEntriesStart - total));
  format::put32le(&out[spec.indexOwner], page.owner);
  format::put32le(&out[spec.indexPrevPage], page.prev);
  format::put32le(&out[spec.indexNextPage], page.next);
  format::put32le(&out[spec.indexTailPage], page.tail);
  if (spec.indexPrefixLengthSize == 1) {
    out[spec.indexPrefixLength] = uint8_t(prefix);
  } else {
    format::put16le(&out[spec.indexPrefixLength], uint16_t(prefix));
  }
  out[spec.indexNodeFlag] = page.leaf ? 0 : 1;

  size_t at = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const StoredEntry entry(entries[i], page.leaf);
    const size_t skip = i == 0 ? 0 : prefix;
    entry.copyFrom(skip, &out[spec.indexEntriesStart + at]);
    at += entry.size() - skip;
    out[spec.indexEntryMask + at / 8] |= uint8_t(1u << (at % 8));
  }
  return okStatus();
}

size_t storedPrefixLength(const format::FormatSpec& spec, std::span<const uint8_t> bytes) {
  return spec.indexPrefixLengthSize == 1 ? bytes[spec.indexPrefixLength] : format::u16le(bytes, spec.indexPrefixLength);
}

bool insertEncodedEntry(const format::FormatSpec& spec, std::span<uint8_t> bytes, const IndexEntry& entry,
                        size_t slot) {
  if (bytes.size() != spec.pageSize || slot == 0) return false;
  if (bytes[0] != format::kPageIndexLeaf && bytes[0] != format::kPageIndexNode) return false;
  const bool leaf = bytes[0] == format::kPageIndexLeaf;
  if (entry.row.page > kMaxEntryRowPage || leaf != (entry.child == 0)) return false;
  const size_t area = entryAreaSize(spec);
  const size_t freeSpace = format::u16le(bytes, spec.indexFreeSpace);
  const size_t used = spec.pageSize - spec.indexEntriesStart - freeSpace;
  if (used > area) return false;
  std::span<uint8_t> mask = bytes.subspan(spec.indexEntryMask, spec.indexEntryMaskSize);
  uint8_t* entries = &bytes[spec.indexEntriesStart];

  // Where the first entry ends, and where entry slot - 1 ends: the new one goes there.
  size_t firstEnd = 0, at = 0, seen = 0;
  for (size_t byte = 0; byte < mask.size() && seen < slot; ++byte) {
    for (uint8_t bits = mask[byte]; bits != 0 && seen < slot; bits = uint8_t(bits & (bits - 1))) {
      at = byte * 8 + size_t(std::countr_zero(bits));
      if (seen++ == 0) firstEnd = at;
    }
  }
  if (seen < slot || at > used) return false;

  // Stored after the first entry, it leaves out the page's prefix: it must
  // share it, keep a byte of its own, and fit.
  const size_t prefix = storedPrefixLength(spec, bytes);
  const StoredEntry added(entry, leaf);
  size_t shared = 0;
  while (shared < firstEnd && shared < added.size() && entries[shared] == added[shared]) ++shared;
  if (shared < prefix || added.size() <= prefix) return false;
  const size_t need = added.size() - prefix;
  if (need > freeSpace || used + need > area) return false;

  std::memmove(entries + at + need, entries + at, used - at);
  added.copyFrom(prefix, entries + at);
  // The ends of the entries after it move along by `need`, highest first.
  for (size_t bit = used; bit > at; --bit) {
    if (bit % 8 == 7 && mask[bit / 8] == 0 && bit - 7 > at) {
      bit -= 7;  // a byte without ends
      continue;
    }
    if (!((mask[bit / 8] >> (bit % 8)) & 1)) continue;
    mask[bit / 8] = uint8_t(mask[bit / 8] & ~(1u << (bit % 8)));
    const size_t moved = bit + need;
    mask[moved / 8] = uint8_t(mask[moved / 8] | (1u << (moved % 8)));
  }
  const size_t end = at + need;
  mask[end / 8] = uint8_t(mask[end / 8] | (1u << (end % 8)));
  format::put16le(&bytes[spec.indexFreeSpace], uint16_t(freeSpace - need));
  return true;
}

Result<std::vector<uint8_t>> encodeIndexPage(const format::FormatSpec& spec, const IndexPage& page,
                                             const PageEncoding& encoding) {
  std::vector<uint8_t> out(spec.pageSize);
  LF_RETURN_IF_ERROR(encodeIndexPageInto(spec, page, encoding, out));
  return out;
}

}  // namespace ledgerfen::index
