// Decoded index pages kept between searches and changes, so that adding
// rows one after another does not decode the same root and leaf pages each
// time.
//
// An entry is keyed by page number and holds the pager's buffer of the
// bytes it was decoded from. The pager never changes a buffer that anyone
// else holds (Pager::modify changes a copy), and every other way a page gets
// new bytes (read from the file, appended, put back when a statement or
// transaction is undone) gives it a new buffer. So while the page read now
// lies in the very buffer an entry holds, the entry is its decoding; when it
// lies in another, the entry is stale and the page is decoded again. Holding
// the buffer also keeps its address from being reused by another one.
//
// Holds at most `capacity` pages, dropping the least recently used. One
// thread at a time, like the pager it serves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "format/format_spec.h"
#include "index/index_page.h"
#include "ledgerfen/status.h"
#include "page/pager.h"

namespace ledgerfen::index {

class IndexPageCache {
 public:
  explicit IndexPageCache(size_t capacity = 256) : capacity_(capacity) {}

  // The decoding of `page` (its number and bytes), kept or made now.
  Result<std::shared_ptr<const IndexPage>> decode(const format::FormatSpec& spec, const page::Page& page);
  // Keeps `decoded` as the decoding of `page`, which must be exactly what
  // decoding its bytes gives.
  void keep(const format::FormatSpec& spec, const page::Page& page, std::shared_ptr<IndexPage> decoded);

  // Whether the decoding of `page` (its very bytes) is kept.
  bool holds(const page::Page& page) const {
    auto it = byNumber_.find(page.number());
    return it != byNumber_.end() && it->second->buffer == page.buffer();
  }

  // Hands over `held`, a page this cache served, to be changed, when nobody
  // but the cache and the caller holds it: the cache forgets it and `held`
  // is reset. Null, changing nothing, otherwise; the caller copies instead.
  std::shared_ptr<IndexPage> take(std::shared_ptr<const IndexPage>& held);

  size_t size() const { return entries_.size(); }

 private:
  void store(const page::Page& page, std::shared_ptr<IndexPage> decoded);

  struct Entry {
    uint32_t number;
    std::shared_ptr<const std::vector<uint8_t>> buffer;
    std::shared_ptr<IndexPage> decoded;  // never changed while kept
  };
  using List = std::list<Entry>;

  size_t capacity_;
  List entries_;  // most recently used first
  std::unordered_map<uint32_t, List::iterator> byNumber_;
};

}  // namespace ledgerfen::index
