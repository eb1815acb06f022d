// Index pages (type 0x03 node, 0x04 leaf): one page of an index's B-tree,
// as a list of entries.
//
// An entry is the key bytes of a row (see key_encoder.h), the row's address
// and, on node pages, the child page whose last entry it repeats. On the page
// the entries lie end to end after a bitmap that marks where each one ends;
// every entry after the first leaves out the prefix it shares with the first.
// Pages of one level are chained by prev/next; a node page keeps its
// rightmost child in the tail field instead of as an entry.
//
// This file turns page bytes into entries and entries into page bytes; it
// knows nothing of trees. Plain functions over values; thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "index/key_bytes.h"
#include "ledgerfen/status.h"

namespace ledgerfen::index {

// Bytes after the key: the row's page (3, big-endian) and row (1); node
// entries add the child page (4, big-endian).
inline constexpr size_t kLeafEntryTrailer = 4;
inline constexpr size_t kNodeEntryTrailer = 8;
inline constexpr uint32_t kMaxEntryRowPage = 0xFFFFFF;

struct IndexEntry {
  KeyBytes key;
  format::RowPointer row;
  uint32_t child = 0;  // node entries only

  friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

// Orders entries as the index does: key bytes (unsigned, a proper prefix
// first), then row page, then row number. Negative, zero or positive.
int compareEntries(const IndexEntry& a, const IndexEntry& b);

struct IndexPage {
  uint32_t number = 0;
  bool leaf = true;
  uint32_t owner = 0;  // definition page of the table
  uint32_t prev = 0;   // same level, 0 = none
  uint32_t next = 0;
  uint32_t tail = 0;  // node pages: the rightmost child, not stored as an entry
  std::vector<IndexEntry> entries;
  // How many leading bytes the stored entries share with the first one, as
  // read. Encoding computes its own unless told otherwise.
  size_t prefixLength = 0;

  friend bool operator==(const IndexPage&, const IndexPage&) = default;
};

// Reads page `number`, whose bytes are `bytes` (one whole page). Damage is a
// Corrupt error naming the page.
Result<IndexPage> decodeIndexPage(const format::FormatSpec& spec, uint32_t number, format::Bytes bytes);

// The shared prefix encoding stores by default: the longest the keys share
// or, when every key is the same (a run of equal values, NULLs above all),
// the longest the stored entries share into their row pointers, as Access
// stores such runs; as far as the format allows.
size_t defaultPrefixLength(const format::FormatSpec& spec, std::span<const IndexEntry> entries, bool leaf);
// Bytes available to entries on one page.
size_t entryAreaSize(const format::FormatSpec& spec);
// The longest prefix all keys share (0 for fewer than two entries); the
// entries must be in index order, as every page holds them.
size_t sharedKeyPrefix(std::span<const IndexEntry> entries);
// Bytes the entries take on a page when every entry after the first omits
// `prefix` bytes.
size_t storedEntriesSize(std::span<const IndexEntry> entries, bool leaf, size_t prefix);
// Whether the entries fit on one page with the prefix encoding picks.
bool entriesFit(const format::FormatSpec& spec, std::span<const IndexEntry> entries, bool leaf);

struct PageEncoding {
  // The shared prefix to store; by default defaultPrefixLength's.
  // Access itself often stores a shorter one (0 on pages it filled one
  // entry at a time), which reads the same.
  std::optional<size_t> prefixLength;
};

// The bytes of a page holding `page`'s entries and links, zero after the
// last entry. Fails with InvalidArgument, changing nothing, when the entries
// do not fit, are not in index order, or do not suit the page kind.
Result<std::vector<uint8_t>> encodeIndexPage(const format::FormatSpec& spec, const IndexPage& page,
                                             const PageEncoding& encoding = {});
// The shared prefix the encoded page `bytes` stores.
size_t storedPrefixLength(const format::FormatSpec& spec, std::span<const uint8_t> bytes);
// Adds `entry` as entry `slot` to `bytes`, an encoded page, moving the
// entries from there on along: for a page that takes one entry at a time,
// much less work than encoding it whole, and the same bytes. False, changing
// nothing, when the bytes cannot take it so: the entry would come first (the
// shared prefix is the first entry's), does not share the stored prefix, or
// does not fit in what the page has left.
bool insertEncodedEntry(const format::FormatSpec& spec, std::span<uint8_t> bytes, const IndexEntry& entry, size_t slot);
// The same, written over `out` (one page), which is left as it was on failure.
Status encodeIndexPageInto(const format::FormatSpec& spec, const IndexPage& page, const PageEncoding& encoding,
                           std::span<uint8_t> out);

}  // namespace ledgerfen::index
