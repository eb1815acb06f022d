// An encoded index page read in place: its links, and each entry's key and
// row pointer through the end offsets its bitmap gives, without copying the
// entries out. Finding where an entry belongs on a page nobody decoded
// costs a scan of the bitmap instead of a copy of every entry.
//
// The view checks the page's structure (type, links, where entries end, the
// shared prefix); it does not check that the entries are in order, so a
// caller that relies on order checks the entries it uses. The bytes must
// outlive the view.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "index/index_page.h"
#include "ledgerfen/status.h"

namespace ledgerfen::index {

class IndexPageView {
 public:
  static Result<IndexPageView> open(const format::FormatSpec& spec, uint32_t number, format::Bytes bytes);

  bool leaf() const { return leaf_; }
  uint32_t owner() const { return owner_; }
  uint32_t next() const { return next_; }
  uint32_t tail() const { return tail_; }
  size_t size() const { return ends_.size(); }
  size_t prefixLength() const { return prefix_.size(); }
  // Bytes the entries take, and bytes left for more.
  size_t used() const { return ends_.empty() ? 0 : ends_.back(); }

  // Entry i compared with `target` as compareEntries compares them.
  int compare(size_t i, const IndexEntry& target) const;
  bool keyEquals(size_t i, std::span<const uint8_t> key) const;
  // The entry whole (node entries with their child).
  IndexEntry entry(size_t i) const;
  // Where entry i ends in the entry area.
  size_t end(size_t i) const { return ends_[i]; }

 private:
  // Entry i as stored before prefix compression: the page's prefix (after
  // the first entry), then the bytes stored for it.
  struct Parts {
    format::Bytes head;
    format::Bytes stored;
    size_t size() const { return head.size() + stored.size(); }
    uint8_t operator[](size_t k) const { return k < head.size() ? head[k] : stored[k - head.size()]; }
  };
  Parts parts(size_t i) const;
  size_t trailer() const { return leaf_ ? kLeafEntryTrailer : kNodeEntryTrailer; }

  format::Bytes area_;
  format::Bytes prefix_;
  std::vector<uint16_t> ends_;
  bool leaf_ = true;
  uint32_t owner_ = 0;
  uint32_t next_ = 0;
  uint32_t tail_ = 0;
};

}  // namespace ledgerfen::index
