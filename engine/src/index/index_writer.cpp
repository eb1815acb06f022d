#include "index/index_writer.h"

#include <algorithm>

#include "index/index_page_view.h"
#include "usage/usage_map_writer.h"

namespace ledgerfen::index {
namespace {

// A tree deeper than this is a loop in a damaged file.
constexpr size_t kMaxDepth = 32;

IndexEntry asNodeEntry(const IndexEntry& max, uint32_t child) {
  IndexEntry e = max;
  e.child = child;
  return e;
}

}  // namespace

IndexWriter::IndexWriter(page::Pager& pager, const format::FormatSpec& spec, usage::PageAllocator& allocator,
                         const tdef::TableDefinition& def, const tdef::RealIndex& index, IndexPageCache* cache)
    : pager_(pager),
      spec_(spec),
      allocator_(allocator),
      def_(def),
      index_(index),
      cache_(cache),
      tree_(pager, spec, def.schema.definitionPage, index.rootPage, cache) {}

// ---- pages -------------------------------------------------------------------

Result<uint32_t> IndexWriter::newPage() {
  LF_ASSIGN_OR_RETURN(uint32_t number, allocator_.allocate());
  usage::UsageMapWriter map(pager_, spec_, index_.usageMap, usage::MapKind::Owned);
  LF_RETURN_IF_ERROR(map.set(number, true, allocator_));
  return number;
}

Status IndexWriter::freePage(uint32_t number) {
  usage::UsageMapWriter map(pager_, spec_, index_.usageMap, usage::MapKind::Owned);
  LF_RETURN_IF_ERROR(map.set(number, false, allocator_));
  return allocator_.release(number);
}

Status IndexWriter::write(IndexPage&& page, std::optional<size_t> insertedAt) {
  page.owner = def_.schema.definitionPage;
  LF_ASSIGN_OR_RETURN(std::span<uint8_t> target, pager_.modify(page.number));
  // One entry added: moved into the bytes as they are, when they can take it.
  if (!insertedAt || !insertEncodedEntry(spec_, target, page.entries[*insertedAt], *insertedAt)) {
    LF_RETURN_IF_ERROR(encodeIndexPageInto(spec_, page, {}, target));
  }
  if (cache_) {
    // The page as decoding the bytes just written gives it, kept with the
    // buffer now holding them, so the next change need not decode it.
    page.prefixLength = page.entries.empty() ? 0 : storedPrefixLength(spec_, target);
    LF_ASSIGN_OR_RETURN(page::Page written, pager_.read(page.number));
    cache_->keep(spec_, written, std::make_shared<IndexPage>(std::move(page)));
  }
  return okStatus();
}

Result<IndexPage> IndexWriter::readToChange(uint32_t number) const {
  LF_ASSIGN_OR_RETURN(std::shared_ptr<const IndexPage> page, tree_.readPage(number));
  return IndexPage(*page);
}

// ---- finding the way -----------------------------------------------------------

// The path from the root to the leaf where `target` is or belongs. Unlike a
// search, it follows a node's last entry when the target lies beyond it and
// the node has no tail: that is the child the target joins.
Result<IndexWriter::Path> IndexWriter::pathTo(const IndexEntry& target) const {
  Path path;
  uint32_t number = index_.rootPage;
  while (true) {
    if (path.size() == kMaxDepth) return Error(ErrorKind::Corrupt, "index pages lead round in a circle");
    LF_ASSIGN_OR_RETURN(std::shared_ptr<const IndexPage> page, tree_.readPage(number));
    const auto& entries = page->entries;
    auto found = std::partition_point(entries.begin(), entries.end(),
                                      [&](const IndexEntry& e) { return compareEntries(e, target) < 0; });
    size_t slot = size_t(found - entries.begin());
    bool leaf = page->leaf;
    uint32_t child = 0;
    if (!leaf) {
      if (slot == entries.size() && page->tail == 0) {
        if (entries.empty()) {
          return Error(ErrorKind::Corrupt, "index node page " + std::to_string(number) + " has no children");
        }
        slot = entries.size() - 1;
      }
      child = slot < entries.size() ? entries[slot].child : page->tail;
    }
    path.push_back(Step{std::move(page), nullptr, slot});
    if (leaf) return path;
    number = child;
  }
}

Result<IndexEntry> IndexWriter::lastEntryBelow(uint32_t number) const {
  for (size_t depth = 0; depth < kMaxDepth; ++depth) {
    LF_ASSIGN_OR_RETURN(std::shared_ptr<const IndexPage> page, tree_.readPage(number));
    if (page->leaf || page->tail == 0) {
      if (page->entries.empty()) {
        return Error(ErrorKind::Corrupt, "index page " + std::to_string(number) + " is empty");
      }
      return page->entries.back();
    }
    number = page->tail;
  }
  return Error(ErrorKind::Corrupt, "index pages lead round in a circle");
}

// ---- splitting -------------------------------------------------------------------

namespace {

// How many of the entries go to the left half: about half the bytes, both
// halves fitting; a node keeps at least one entry on each side besides the
// tail the left half takes from its last one.
size_t splitPoint(const format::FormatSpec& spec, const IndexPage& page) {
  const auto& entries = page.entries;
  const size_t n = entries.size();
  const size_t low = page.leaf ? 1 : 2;
  auto fits = [&](size_t k) {
    std::span<const IndexEntry> all(entries);
    size_t leftCount = page.leaf ? k : k - 1;
    return entriesFit(spec, all.first(leftCount), page.leaf) && entriesFit(spec, all.subspan(k), page.leaf);
  };
  size_t half = std::clamp<size_t>(n / 2, low, n - 1);
  if (fits(half)) return half;
  for (size_t k = low; k < n; ++k) {
    if (fits(k)) return k;
  }
  return half;  // cannot happen for a page that overflows by one entry
}

}  // namespace

Status IndexWriter::splitRoot(IndexPage& root) {
  const size_t k = splitPoint(spec_, root);
  IndexPage left, right;
  LF_ASSIGN_OR_RETURN(left.number, newPage());
  LF_ASSIGN_OR_RETURN(right.number, newPage());
  left.leaf = right.leaf = root.leaf;
  IndexEntry leftMax;
  if (root.leaf) {
    left.entries.assign(root.entries.begin(), root.entries.begin() + long(k));
    leftMax = left.entries.back();
  } else {
    left.entries.assign(root.entries.begin(), root.entries.begin() + long(k - 1));
    left.tail = root.entries[k - 1].child;
    leftMax = root.entries[k - 1];
    right.tail = root.tail;
  }
  right.entries.assign(root.entries.begin() + long(k), root.entries.end());
  left.next = right.number;
  right.prev = left.number;
  root.leaf = false;
  root.entries = {asNodeEntry(leftMax, left.number)};
  root.tail = right.number;
  root.prev = root.next = 0;
  LF_RETURN_IF_ERROR(write(std::move(left)));
  LF_RETURN_IF_ERROR(write(std::move(right)));
  return write(std::move(root));
}

Result<std::optional<IndexWriter::Split>> IndexWriter::storeOrSplit(Path& path, size_t level,
                                                                    std::optional<size_t> insertedAt) {
  IndexPage& page = edit(path[level]);
  if (entriesFit(spec_, page.entries, page.leaf)) {
    LF_RETURN_IF_ERROR(write(std::move(page), insertedAt));
    return std::optional<Split>();
  }
  if (level == 0) {
    LF_RETURN_IF_ERROR(splitRoot(page));
    return std::optional<Split>();
  }
  // The page keeps its number and the right half; a new page before it takes the left half.
  const size_t k = splitPoint(spec_, page);
  IndexPage left;
  LF_ASSIGN_OR_RETURN(left.number, newPage());
  left.leaf = page.leaf;
  IndexEntry leftMax;
  if (page.leaf) {
    left.entries.assign(page.entries.begin(), page.entries.begin() + long(k));
    leftMax = left.entries.back();
  } else {
    left.entries.assign(page.entries.begin(), page.entries.begin() + long(k - 1));
    left.tail = page.entries[k - 1].child;
    leftMax = page.entries[k - 1];
  }
  page.entries.erase(page.entries.begin(), page.entries.begin() + long(k));
  left.prev = page.prev;
  left.next = page.number;
  const uint32_t leftNumber = left.number;
  if (page.prev != 0) {
    LF_ASSIGN_OR_RETURN(IndexPage before, readToChange(page.prev));
    before.next = leftNumber;
    LF_RETURN_IF_ERROR(write(std::move(before)));
  }
  page.prev = leftNumber;
  LF_RETURN_IF_ERROR(write(std::move(left)));
  LF_RETURN_IF_ERROR(write(std::move(page)));
  return std::optional(Split{asNodeEntry(leftMax, leftNumber)});
}

// ---- carrying changes up -----------------------------------------------------------

Status IndexWriter::propagate(Path& path, size_t level, std::optional<IndexEntry> newMax,
                              std::optional<size_t> insertedAt) {
  // Whether the page at `level` changed; a node whose tail child changed its
  // last entry does not, though the nodes above it may.
  bool changed = true;
  while (true) {
    std::optional<Split> split;
    if (changed) {
      LF_ASSIGN_OR_RETURN(split, storeOrSplit(path, level, insertedAt));
      insertedAt.reset();
    }
    if (level == 0 || (!newMax && !split)) return okStatus();
    const size_t slot = path[level - 1].slot;
    std::optional<IndexEntry> parentMax;
    changed = false;
    if (newMax) {
      if (slot < path[level - 1].page().entries.size()) {
        IndexPage& parent = edit(path[level - 1]);
        parent.entries[slot] = asNodeEntry(*newMax, parent.entries[slot].child);
        if (slot + 1 == parent.entries.size() && parent.tail == 0) parentMax = newMax;
        changed = true;
      } else {
        parentMax = newMax;  // the tail's last entry is the node's last entry
      }
    }
    // A new left page comes just before the child it split from.
    if (split) {
      IndexPage& parent = edit(path[level - 1]);
      parent.entries.insert(parent.entries.begin() + long(slot), split->max);
      changed = true;
    }
    newMax = parentMax;
    --level;
  }
}

// ---- adding --------------------------------------------------------------------

// Entries are ordered by key, then row: entries sharing a key lie side by
// side, so one of them is next to `entry`'s place unless that place is at
// an end of the leaf, where the neighbour may lie on the leaf beside it.
// The last leaf has none after it (rows added in key order end up there).
Result<bool> IndexWriter::keySharedAround(const IndexPage& leaf, size_t before, size_t after,
                                          const IndexEntry& entry) const {
  const auto& entries = leaf.entries;
  if (before > 0 && entries[before - 1].key == entry.key) return true;
  if (after < entries.size() && entries[after].key == entry.key) return true;
  const bool seenBefore = before > 0;
  const bool seenAfter = after < entries.size() || leaf.next == 0;
  if (seenBefore && seenAfter) return false;
  return holdsKeyOfAnotherRow(entry.key, entry.row);
}

Result<std::optional<bool>> IndexWriter::insertIntoUncachedLeaf(const IndexEntry& entry) {
  uint32_t number = index_.rootPage;
  for (size_t depth = 0; depth < kMaxDepth; ++depth) {
    LF_ASSIGN_OR_RETURN(page::Page page, pager_.read(number));
    if (page.type() == format::kPageIndexNode) {
      LF_ASSIGN_OR_RETURN(std::shared_ptr<const IndexPage> node, tree_.readPage(number));
      const auto& entries = node->entries;
      auto found = std::partition_point(entries.begin(), entries.end(),
                                        [&](const IndexEntry& e) { return compareEntries(e, entry) < 0; });
      if (found == entries.end() && node->tail == 0) return std::optional<bool>();
      number = found != entries.end() ? found->child : node->tail;
      continue;
    }
    if (cache_ && cache_->holds(page)) return std::optional<bool>();
    size_t slot = 0;
    bool shared = false;
    {
      LF_ASSIGN_OR_RETURN(IndexPageView view, IndexPageView::open(spec_, number, page.bytes()));
      if (!view.leaf() || view.owner() != def_.schema.definitionPage) return std::optional<bool>();
      size_t low = 0, high = view.size();
      while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (view.compare(middle, entry) < 0) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      slot = low;
      if (slot == 0 || slot >= view.size()) return std::optional<bool>();
      const int here = view.compare(slot, entry);
      if (here == 0) return Error(ErrorKind::Corrupt, "the index already holds an entry for the row");
      if (here < 0 || view.compare(slot - 1, entry) >= 0) return std::optional<bool>();  // out of order
      shared = view.keyEquals(slot - 1, entry.key) || view.keyEquals(slot, entry.key);
    }
    page = page::Page();  // so that the pager changes its own buffer rather than a copy
    LF_ASSIGN_OR_RETURN(std::span<uint8_t> bytes, pager_.modify(number));
    if (!insertEncodedEntry(spec_, bytes, entry, slot)) return std::optional<bool>();
    return std::optional<bool>(shared);
  }
  return Error(ErrorKind::Corrupt, "index pages lead round in a circle");
}

Result<bool> IndexWriter::insert(const IndexEntry& entry) {
  LF_ASSIGN_OR_RETURN(std::optional<bool> quick, insertIntoUncachedLeaf(entry));
  if (quick) return *quick;
  LF_ASSIGN_OR_RETURN(Path path, pathTo(entry));
  const size_t slot = path.back().slot;
  {
    const IndexPage& found = path.back().page();
    if (slot < found.entries.size() && compareEntries(found.entries[slot], entry) == 0) {
      return Error(ErrorKind::Corrupt, "the index already holds an entry for the row");
    }
  }
  LF_ASSIGN_OR_RETURN(bool shared, keySharedAround(path.back().page(), slot, slot, entry));
  IndexPage& leaf = edit(path.back());
  leaf.entries.insert(leaf.entries.begin() + long(slot), entry);
  std::optional<IndexEntry> newMax;
  if (slot + 1 == leaf.entries.size()) newMax = entry;
  LF_RETURN_IF_ERROR(propagate(path, path.size() - 1, newMax, slot));
  return shared;
}

// ---- removing --------------------------------------------------------------------

Status IndexWriter::unlink(const IndexPage& page) {
  if (page.prev != 0) {
    LF_ASSIGN_OR_RETURN(IndexPage before, readToChange(page.prev));
    before.next = page.next;
    LF_RETURN_IF_ERROR(write(std::move(before)));
  }
  if (page.next != 0) {
    LF_ASSIGN_OR_RETURN(IndexPage after, readToChange(page.next));
    after.prev = page.prev;
    LF_RETURN_IF_ERROR(write(std::move(after)));
  }
  return freePage(page.number);
}

// The root, left with a single child, takes that child's place.
Status IndexWriter::collapseRoot(IndexPage& root) {
  uint32_t only = root.tail != 0 ? root.tail : root.entries.front().child;
  LF_ASSIGN_OR_RETURN(std::shared_ptr<const IndexPage> child, tree_.readPage(only));
  root.leaf = child->leaf;
  root.entries = child->entries;
  root.tail = child->tail;
  root.prev = root.next = 0;
  LF_RETURN_IF_ERROR(freePage(only));
  return write(std::move(root));
}

// The page at `level` has no entries left: it goes, and its parent forgets it.
Status IndexWriter::removeChild(Path& path, size_t level) {
  LF_RETURN_IF_ERROR(unlink(path[level].page()));
  IndexPage& parent = edit(path[level - 1]);
  const size_t slot = path[level - 1].slot;
  std::optional<IndexEntry> parentMax;
  if (slot < parent.entries.size()) {
    bool wasLast = slot + 1 == parent.entries.size();
    parent.entries.erase(parent.entries.begin() + long(slot));
    if (wasLast && parent.tail == 0 && !parent.entries.empty()) parentMax = parent.entries.back();
  } else if (!parent.entries.empty()) {
    // The tail went: the last stored child becomes the tail.
    parentMax = parent.entries.back();
    parent.tail = parent.entries.back().child;
    parent.entries.pop_back();
  } else {
    parent.tail = 0;
  }
  const bool childless = parent.entries.empty() && parent.tail == 0;
  if (level - 1 == 0) {
    if (childless) {  // the index is empty: the root becomes an empty leaf
      parent.leaf = true;
      return write(std::move(parent));
    }
    if (parent.entries.size() + (parent.tail ? 1 : 0) == 1) return collapseRoot(parent);
    return write(std::move(parent));
  }
  if (childless) return removeChild(path, level - 1);
  if (parent.entries.empty()) {
    // One child left: kept as an ordinary entry rather than a lone tail.
    LF_ASSIGN_OR_RETURN(IndexEntry last, lastEntryBelow(parent.tail));
    parent.entries = {asNodeEntry(last, parent.tail)};
    parent.tail = 0;
  }
  return propagate(path, level - 1, parentMax);
}

Result<bool> IndexWriter::remove(const IndexEntry& entry) {
  LF_ASSIGN_OR_RETURN(Path path, pathTo(entry));
  IndexPage& leaf = edit(path.back());
  const size_t slot = path.back().slot;
  if (slot >= leaf.entries.size() || compareEntries(leaf.entries[slot], entry) != 0) {
    return Error(ErrorKind::Corrupt, "the index has no entry for row " + std::to_string(entry.row.row) + " of page " +
                                         std::to_string(entry.row.page));
  }
  LF_ASSIGN_OR_RETURN(bool shared, keySharedAround(leaf, slot, slot + 1, entry));
  const bool wasLast = slot + 1 == leaf.entries.size();
  leaf.entries.erase(leaf.entries.begin() + long(slot));
  if (leaf.entries.empty() && path.size() > 1) {
    LF_RETURN_IF_ERROR(removeChild(path, path.size() - 1));
    return shared;
  }
  std::optional<IndexEntry> newMax;
  if (wasLast && !leaf.entries.empty()) newMax = leaf.entries.back();
  LF_RETURN_IF_ERROR(propagate(path, path.size() - 1, newMax));
  return shared;
}

// ---- looking up ------------------------------------------------------------------

Result<bool> IndexWriter::holdsKeyOfAnotherRow(std::span<const uint8_t> key, format::RowPointer except) const {
  LF_ASSIGN_OR_RETURN(IndexTree::Cursor cursor, tree_.seek(KeyBound{{key.begin(), key.end()}, true, false}));
  while (true) {
    LF_ASSIGN_OR_RETURN(const IndexEntry* e, cursor.next());
    if (!e || !std::ranges::equal(e->key.span(), key)) return false;
    if (e->row.packed() != except.packed()) return true;
  }
}

}  // namespace ledgerfen::index
