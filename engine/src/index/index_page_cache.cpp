#include "index/index_page_cache.h"

#include <cstdio>
#include <cstdlib>

namespace ledgerfen::index {
namespace {

// Builds with checks (unoptimised or sanitised) decode every page served
// from the cache again and stop if the two differ, so the test suite proves
// that a buffer's bytes do not change while the cache holds it.
#if !defined(NDEBUG) || defined(LEDGERFEN_CHECK_CACHES)
void expectSame(const format::FormatSpec& spec, const page::Page& page, const IndexPage& kept) {
  auto fresh = decodeIndexPage(spec, page.number(), page.bytes());
  if (!fresh || !(*fresh == kept)) {
    std::fprintf(stderr, "index page %u: the kept decoding differs from its bytes\n", page.number());
    std::abort();
  }
}
#else
void expectSame(const format::FormatSpec&, const page::Page&, const IndexPage&) {}
#endif

}  // namespace

Result<std::shared_ptr<const IndexPage>> IndexPageCache::decode(const format::FormatSpec& spec,
                                                                const page::Page& page) {
  if (auto it = byNumber_.find(page.number()); it != byNumber_.end() && it->second->buffer == page.buffer()) {
    entries_.splice(entries_.begin(), entries_, it->second);
    expectSame(spec, page, *it->second->decoded);
    return std::shared_ptr<const IndexPage>(it->second->decoded);
  }
  LF_ASSIGN_OR_RETURN(IndexPage fresh, decodeIndexPage(spec, page.number(), page.bytes()));
  auto decoded = std::make_shared<IndexPage>(std::move(fresh));
  store(page, decoded);
  return std::shared_ptr<const IndexPage>(std::move(decoded));
}

void IndexPageCache::keep(const format::FormatSpec& spec, const page::Page& page, std::shared_ptr<IndexPage> decoded) {
  expectSame(spec, page, *decoded);
  store(page, std::move(decoded));
}

std::shared_ptr<IndexPage> IndexPageCache::take(std::shared_ptr<const IndexPage>& held) {
  auto it = byNumber_.find(held->number);
  if (it == byNumber_.end() || it->second->decoded != held || it->second->decoded.use_count() != 2) return nullptr;
  std::shared_ptr<IndexPage> taken = std::move(it->second->decoded);
  entries_.erase(it->second);
  byNumber_.erase(it);
  held.reset();
  return taken;
}

void IndexPageCache::store(const page::Page& page, std::shared_ptr<IndexPage> decoded) {
  if (capacity_ == 0) return;
  if (auto it = byNumber_.find(page.number()); it != byNumber_.end()) {
    entries_.erase(it->second);
    byNumber_.erase(it);
  }
  entries_.push_front(Entry{page.number(), page.buffer(), std::move(decoded)});
  byNumber_[page.number()] = entries_.begin();
  if (entries_.size() > capacity_) {
    byNumber_.erase(entries_.back().number);
    entries_.pop_back();
  }
}

}  // namespace ledgerfen::index
