#include "index/index_page.h"

#include <algorithm>
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
    e.key.insert(e.key.end(), stored.begin(), stored.begin() + long(keyLength - fromHead));
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

size_t sharedKeyPrefix(std::span<const IndexEntry> entries) {
  if (entries.size() < 2) return 0;
  size_t shared = entries[0].key.size();
  for (size_t i = 1; i < entries.size() && shared > 0; ++i) {
    shared = std::min(shared, commonPrefix(Bytes(entries[0].key).first(shared), entries[i].key));
  }
  return shared;
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
  if (entries.size() < 2 || shared < entries[0].key.size()) return shared;
  for (const IndexEntry& e : entries) {
    if (e.key.size() != shared) return shared;
  }
  // Every key is the same: the row pointers' common bytes are shared too,
  // less one byte each entry keeps to mark where it ends.
  std::vector<uint8_t> first, other;
  appendStoredEntry(first, entries[0], leaf);
  size_t trailer = trailerSize(leaf) - 1;
  for (size_t i = 1; i < entries.size() && trailer > 0; ++i) {
    other.clear();
    appendStoredEntry(other, entries[i], leaf);
    trailer = std::min(trailer, commonPrefix(Bytes(first).subspan(shared), Bytes(other).subspan(shared)));
  }
  return shared + trailer;
}

}  // namespace

size_t defaultPrefixLength(const format::FormatSpec& spec, std::span<const IndexEntry> entries, bool leaf) {
  return std::min(sharedEntryPrefix(entries, leaf), maxPrefixLength(spec));
}

bool entriesFit(const format::FormatSpec& spec, std::span<const IndexEntry> entries, bool leaf) {
  return storedEntriesSize(entries, leaf, defaultPrefixLength(spec, entries, leaf)) <= entryAreaSize(spec);
}

Result<std::vector<uint8_t>> encodeIndexPage(const format::FormatSpec& spec, const IndexPage& page,
                                             const PageEncoding& encoding) {
  const std::span<const IndexEntry> entries(page.entries);
  // The entries as they lie on the page before prefix compression, end to end.
  std::vector<uint8_t> flat;
  flat.reserve(spec.pageSize);
  std::vector<size_t> ends(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const IndexEntry& e = entries[i];
    auto which = [i] { return "entry " + std::to_string(i); };
    if (e.row.page > kMaxEntryRowPage) return invalid(which() + " points at a page beyond the reach of an entry");
    if (page.leaf && e.child != 0) return invalid(which() + " of a leaf page names a child page");
    if (!page.leaf && e.child == 0) return invalid(which() + " of a node page names no child page");
    if (i > 0 && compareEntries(entries[i - 1], e) >= 0) return invalid(which() + " is not after the one before it");
    appendStoredEntry(flat, e, page.leaf);
    ends[i] = flat.size();
  }
  auto stored = [&](size_t i) {
    size_t begin = i == 0 ? 0 : ends[i - 1];
    return Bytes(flat).subspan(begin, ends[i] - begin);
  };

  size_t prefix = defaultPrefixLength(spec, entries, page.leaf);
  if (encoding.prefixLength) {
    // Any prefix the stored entries share is readable, even one reaching into the row pointers.
    size_t limit = entries.empty() ? 0 : stored(0).size();
    // A later entry must keep at least one byte of its own to mark where it ends.
    for (size_t i = 1; i < entries.size(); ++i) {
      limit = std::min({limit, commonPrefix(stored(0), stored(i)), stored(i).size() - 1});
    }
    if (*encoding.prefixLength > std::min(limit, maxPrefixLength(spec))) {
      return invalid("the entries do not share a prefix of " + std::to_string(*encoding.prefixLength) + " bytes");
    }
    prefix = *encoding.prefixLength;
  }

  size_t total = entries.empty() ? 0 : stored(0).size();
  for (size_t i = 1; i < entries.size(); ++i) total += stored(i).size() - prefix;
  if (total > entryAreaSize(spec)) {
    return invalid("the entries take " + std::to_string(total) + " bytes; a page holds " +
                   std::to_string(entryAreaSize(spec)));
  }

  std::vector<uint8_t> out(spec.pageSize, 0);
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
    size_t skip = i == 0 ? 0 : prefix;
    Bytes entry = stored(i);
    std::memcpy(&out[spec.indexEntriesStart + at], entry.data() + skip, entry.size() - skip);
    at += entry.size() - skip;
    out[spec.indexEntryMask + at / 8] |= uint8_t(1u << (at % 8));
  }
  return out;
}

}  // namespace ledgerfen::index
