// Pages of one database file: decoded, cached, and changed in memory until
// a commit writes them through the rollback journal.
//
// `read` returns a shared, immutable page; holders keep it alive after the
// cache drops it or a later change replaces it (changes copy the page when
// anybody else still holds it). `modify` and `append` collect the changes of
// the current transaction; `commit` makes them durable atomically; `discard`
// forgets them. Inside a transaction, a statement (`beginStatement` to
// `endStatement`) can be undone alone, leaving the transaction's earlier
// changes in place. A transaction that changes many pages `spill`s them to the
// file between changes, journaled first, so memory stays bounded by the
// cache capacity, the pages callers hold and the spill threshold. One
// thread at a time.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "format/bytes.h"
#include "ledgerfen/env.h"
#include "page/journal.h"
#include "page/page_codec.h"

namespace ledgerfen::page {

class Page {
 public:
  Page() = default;
  Page(uint32_t number, std::shared_ptr<const std::vector<uint8_t>> bytes)
      : number_(number), bytes_(std::move(bytes)) {}

  uint32_t number() const { return number_; }
  format::Bytes bytes() const { return *bytes_; }
  uint8_t type() const { return (*bytes_)[0]; }
  // The buffer holding the bytes. Its contents never change while anyone
  // other than the pager holds it (see Pager::modify), so holding it and
  // comparing pointers tells whether a page still has the bytes it had.
  const std::shared_ptr<const std::vector<uint8_t>>& buffer() const { return bytes_; }

 private:
  uint32_t number_ = 0;
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

class Pager {
 public:
  Pager(std::unique_ptr<File> file, uint32_t pageSize, uint64_t fileSize, size_t cacheCapacity = 512);

  void setCodec(std::unique_ptr<PageCodec> codec) { codec_ = std::move(codec); }
  const PageCodec* codec() const { return codec_.get(); }

  const std::string& fileName() const { return file_->name(); }
  File& file() { return *file_; }
  uint32_t pageSize() const { return pageSize_; }
  // Pages in the file, counting those appended by the open transaction.
  uint32_t pageCount() const { return pageCount_; }

  // Reads and decodes page `number` (the transaction's version if it changed
  // it); an error if it lies past the end of the file.
  Result<Page> read(uint32_t number);

  // The bytes of page `number` to change in the open transaction. They lie
  // in a buffer nobody but the pager holds: one already handed out by `read`
  // (or remembered by a statement) is copied first and never changed, and
  // every other new content (read from the file, appended, put back by
  // `undoStatement` or `discard`) comes in a buffer of its own. Write to the
  // span before reading the page again.
  Result<std::span<uint8_t>> modify(uint32_t number);
  // Adds a zero-filled page at the end of the file; returns its number.
  Result<uint32_t> append();

  // The journal that makes commits atomic (databases opened for writing).
  void setJournal(Journal* journal) { journal_ = journal; }
  // Pages changed in memory, not yet written.
  size_t changedPages() const { return changed_.size(); }
  // Writes the changes so far to the file, their old images journaled
  // first; the transaction stays open. Call only between changes: spans
  // handed out by `modify` are not valid afterwards.
  Status spill();
  // Makes the transaction durable and ends it. On failure the file is as it
  // was before the transaction.
  Status commit();
  // Ends the transaction without its changes, putting back what was spilled.
  Status discard();

  // Remembers the pages as they are now, so that `undoStatement` can put
  // them back; `endStatement` keeps the statement's changes. No spill may
  // happen in between.
  void beginStatement();
  void endStatement();
  void undoStatement();

 private:
  using CacheList = std::list<Page>;
  void remember(const Page& page);
  Result<std::vector<uint8_t>> encoded(uint32_t number, const std::vector<uint8_t>& bytes) const;
  // Journals and writes the changed pages; they move into the cache.
  Status writeChanges();

  std::unique_ptr<File> file_;
  std::unique_ptr<PageCodec> codec_;
  Journal* journal_ = nullptr;
  bool spilled_ = false;
  uint32_t pageSize_;
  uint32_t pageCount_;
  uint32_t committedPageCount_;
  size_t capacity_;
  CacheList lru_;  // most recently used first
  std::unordered_map<uint32_t, CacheList::iterator> index_;
  std::map<uint32_t, std::shared_ptr<std::vector<uint8_t>>> changed_;  // ordered: written front to back

  struct Statement {
    uint32_t pageCount = 0;
    // The transaction's version of each page the statement changed before
    // it did; null for pages the transaction had not changed.
    std::map<uint32_t, std::shared_ptr<std::vector<uint8_t>>> before;
  };
  std::optional<Statement> statement_;
};

}  // namespace ledgerfen::page
