// The B-tree of one stored index: finding entries from the root down and
// walking the leaves in order.
//
// A node entry repeats the last entry of the child it leads to, and the
// rightmost child of a node is its tail page, so the entries at or after a
// target are found by descending through the first node entry at or after
// it, or the tail when there is none. Leaves are chained by their next
// pointers. Pages are read from the pager at each use, so a tree never holds
// stale pages; their decoding comes from the database's cache of decoded
// index pages when one is given, afresh otherwise. A tree reads the pager of
// one database and is used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "format/format_spec.h"
#include "index/index_page.h"
#include "index/index_page_cache.h"
#include "page/pager.h"

namespace ledgerfen::index {

// One step of a descent: a page and the slot taken in it. On a node the slot
// is the entry whose child was followed, or entries.size() for the tail; on
// the leaf it is the first entry at or after the target (possibly
// entries.size()).
struct TreeStep {
  std::shared_ptr<const IndexPage> page;
  size_t slot = 0;
};

// A limit on keys for a range: a whole key, or the first columns of one
// (see KeyEncoder::encodeValues).
struct KeyBound {
  std::vector<uint8_t> key;
  bool inclusive = true;
  // Only the first columns are given: keys that start with them count as
  // equal to the bound.
  bool partial = false;
};

// Compares `key` with a bound: negative, zero or positive.
int compareToBound(std::span<const uint8_t> key, const KeyBound& bound);
bool satisfiesLower(std::span<const uint8_t> key, const KeyBound& lower);
bool satisfiesUpper(std::span<const uint8_t> key, const KeyBound& upper);

class IndexTree {
 public:
  // `owner` is the table's definition page, which each page must name.
  // Errors name the page; callers say which index. `cache`, when given,
  // serves pages decoded before (see index_page_cache.h).
  IndexTree(page::Pager& pager, const format::FormatSpec& spec, uint32_t owner, uint32_t rootPage,
            IndexPageCache* cache = nullptr)
      : pager_(&pager), spec_(&spec), cache_(cache), owner_(owner), root_(rootPage) {}

  uint32_t rootPage() const { return root_; }

  // Reads and checks one page of this index. The page is shared with the
  // cache: copy it to change it.
  Result<std::shared_ptr<const IndexPage>> readPage(uint32_t number) const;

  // Descends from the root towards the first entry for which `reaches`
  // holds; `reaches` must be false for a prefix of the entries in index
  // order and true for the rest. Returns the pages passed, root first.
  Result<std::vector<TreeStep>> descend(const std::function<bool(const IndexEntry&)>& reaches) const;

  // Walks leaf entries in index order (below).
  class Cursor;

  // A cursor at the first entry of the index.
  Result<Cursor> first() const;
  // A cursor at the first entry that satisfies `lower` (the first entry of
  // the index when there is no bound).
  Result<Cursor> seek(const std::optional<KeyBound>& lower) const;

 private:
  Error corrupt(const std::string& why) const;

  page::Pager* pager_;
  const format::FormatSpec* spec_;
  IndexPageCache* cache_;
  uint32_t owner_;
  uint32_t root_;
};

// Walks leaf entries in index order from a starting point. It keeps a copy
// of the tree, which only refers to the pager and the cache, and the leaf it
// is on, as it was read.
class IndexTree::Cursor {
 public:
  // The next entry, or null after the last one. The pointer stays
  // valid until the following call.
  Result<const IndexEntry*> next();

 private:
  friend class IndexTree;
  Cursor(IndexTree tree, std::shared_ptr<const IndexPage> leaf, size_t slot)
      : tree_(std::move(tree)), leaf_(std::move(leaf)), slot_(slot) {}
  IndexTree tree_;
  std::shared_ptr<const IndexPage> leaf_;
  size_t slot_;
  uint64_t pagesVisited_ = 1;
};

}  // namespace ledgerfen::index
