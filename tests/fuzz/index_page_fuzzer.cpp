// libFuzzer target: one index page, given compactly so that short inputs
// reach the entries: a byte picking Jet3 or Jet4, the page header up to the
// entry bitmap, a byte saying how many bitmap bytes follow, those bytes,
// then the entries. Whatever decodes must encode again, with its own prefix
// or with the one the encoder picks, into a page that decodes the same, and
// read in place must give the same entries; on any page, reading in place
// must not go wrong, whatever the bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "index/index_page.h"
#include "index/index_page_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ledgerfen;
  if (size < 1) return 0;
  const auto& spec = format::formatSpec(data[0] & 1 ? FileFormat::Jet3 : FileFormat::Jet4);
  std::vector<uint8_t> page(spec.pageSize, 0);
  size_t at = 1;
  auto take = [&](size_t n, size_t to) {
    n = std::min(n, size - at);
    std::copy_n(data + at, n, page.begin() + long(to));
    at += n;
  };
  take(spec.indexEntryMask, 0);
  size_t maskBytes = at < size ? std::min<size_t>(data[at++], spec.indexEntryMaskSize) : 0;
  take(maskBytes, spec.indexEntryMask);
  take(spec.pageSize - spec.indexEntriesStart, spec.indexEntriesStart);
  auto view = index::IndexPageView::open(spec, 1, page);
  if (view) {
    // Compare every entry with the last: any bytes the view accepts are read within the page.
    index::IndexEntry last = view->size() ? view->entry(view->size() - 1) : index::IndexEntry{};
    for (size_t i = 0; i < view->size(); ++i) (void)view->compare(i, last);
  }
  auto decoded = index::decodeIndexPage(spec, 1, page);
  if (!decoded) return 0;
  if (!view || view->size() != decoded->entries.size()) std::abort();
  for (size_t i = 0; i < view->size(); ++i) {
    if (!(view->entry(i) == decoded->entries[i])) std::abort();
  }
  for (std::optional<size_t> prefix : {std::optional(decoded->prefixLength), std::optional<size_t>()}) {
    auto encoded = index::encodeIndexPage(spec, *decoded, {prefix});
    if (!encoded) std::abort();
    auto again = index::decodeIndexPage(spec, 1, *encoded);
    if (!again || again->entries != decoded->entries || again->leaf != decoded->leaf || again->tail != decoded->tail ||
        again->prev != decoded->prev || again->next != decoded->next) {
      std::abort();
    }
  }
  return 0;
}
