// Changes the B-tree of one stored index: adds and removes entries, splits
// pages that overflow, frees pages that empty, and keeps every node entry a
// copy of the last entry below it.
//
// Invariants kept (and checked by the integrity check):
//  1. Entries on every page are in index order; leaves chain left to right
//     through prev/next, and so do the nodes of one level.
//  2. A node entry repeats the last entry of the subtree it leads to; a
//     node's last child is its tail page, not stored as an entry, whenever
//     the node has more than one child.
//  3. The root page never moves (the table definition names it): a full
//     root hands its entries to two new children and becomes their node; a
//     node root left with one child takes that child's entries back.
//  4. Every page of the index is in the index's usage map.
//
// Runs inside the database's transaction; a failure leaves page changes to
// be put back by it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "format/format_spec.h"
#include "index/index_page.h"
#include "index/index_tree.h"
#include "page/pager.h"
#include "tdef/table_definition.h"
#include "usage/page_allocator.h"

namespace ledgerfen::index {

class IndexWriter {
 public:
  // `cache`, when given, serves pages decoded before and keeps the pages
  // this writer writes (see index_page_cache.h).
  IndexWriter(page::Pager& pager, const format::FormatSpec& spec, usage::PageAllocator& allocator,
              const tdef::TableDefinition& def, const tdef::RealIndex& index, IndexPageCache* cache = nullptr);

  // Adds or removes one row's entry. Each returns whether an entry of
  // another row holds the same key (afterwards), which the index's count
  // of distinct keys depends on.
  Result<bool> insert(const IndexEntry& entry);
  Result<bool> remove(const IndexEntry& entry);
  // Whether an entry with `key` exists for a row other than `except`.
  Result<bool> holdsKeyOfAnotherRow(std::span<const uint8_t> key, format::RowPointer except) const;

 private:
  struct Split {
    IndexEntry max;  // the last entry of the new left page, pointing to it
  };
  // One page of the way down: as read (shared with the cache, never
  // changed) until the writer changes it, then its own: taken from the
  // cache when nobody else holds it, copied otherwise.
  struct Step {
    std::shared_ptr<const IndexPage> read;
    std::shared_ptr<IndexPage> changed;
    size_t slot = 0;
    const IndexPage& page() const { return changed ? *changed : *read; }
    IndexPage& edit(IndexPageCache* cache) {
      if (!changed) {
        if (cache) changed = cache->take(read);
        if (!changed) changed = std::make_shared<IndexPage>(*read);
        read.reset();
      }
      return *changed;
    }
  };
  using Path = std::vector<Step>;

  Result<uint32_t> newPage();
  Status freePage(uint32_t number);
  // Writes the page, which is used up: the cache keeps it. `insertedAt`:
  // the one change since the page's bytes were written is the entry added there.
  Status write(IndexPage&& page, std::optional<size_t> insertedAt = {});
  IndexPage& edit(Step& step) { return step.edit(cache_); }
  // A copy of page `number` to change.
  Result<IndexPage> readToChange(uint32_t number) const;
  // Writes the page at `level`, splitting it first when it does not fit.
  Result<std::optional<Split>> storeOrSplit(Path& path, size_t level, std::optional<size_t> insertedAt = {});
  Status splitRoot(IndexPage& root);
  Result<Path> pathTo(const IndexEntry& target) const;
  // Adds the entry through its leaf's bytes (insertEncodedEntry) when the
  // leaf's decoding is not kept: decoding it would cost more than the change.
  // Only for an entry that is neither the first nor the last of its leaf (so
  // the parent's entries stay as they are) and whose neighbours there tell
  // whether another row shares its key. Whether one does, or nullopt,
  // changing nothing, when that does not hold: the general way is taken.
  Result<std::optional<bool>> insertIntoUncachedLeaf(const IndexEntry& entry);
  // Writes the changed page at `level`, then carries its new last entry
  // (`newMax`, when it changed) and any split into its parent, and so on up.
  Status propagate(Path& path, size_t level, std::optional<IndexEntry> newMax, std::optional<size_t> insertedAt = {});
  Status removeChild(Path& path, size_t level);
  // Whether an entry of another row than `entry`'s holds its key, judged by
  // the leaf entries around `slot` (none of which is `entry` itself), and
  // only at the leaf's ends by a search.
  Result<bool> keySharedAround(const IndexPage& leaf, size_t before, size_t after, const IndexEntry& entry) const;
  Status unlink(const IndexPage& page);
  Result<IndexEntry> lastEntryBelow(uint32_t page) const;
  Status collapseRoot(IndexPage& root);

  page::Pager& pager_;
  const format::FormatSpec& spec_;
  usage::PageAllocator& allocator_;
  const tdef::TableDefinition& def_;
  const tdef::RealIndex& index_;
  IndexPageCache* cache_;
  IndexTree tree_;
};

}  // namespace ledgerfen::index
