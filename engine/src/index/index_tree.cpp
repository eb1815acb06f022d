#include "index/index_tree.h"

#include <algorithm>
#include <cstring>

namespace ledgerfen::index {
namespace {

// Deeper trees than this do not occur in files of up to 2 GB; a longer
// descent means the pages point round in a circle.
constexpr size_t kMaxDepth = 32;

}  // namespace

int compareToBound(std::span<const uint8_t> key, const KeyBound& bound) {
  size_t n = std::min(key.size(), bound.key.size());
  if (n > 0) {
    if (int c = std::memcmp(key.data(), bound.key.data(), n); c != 0) return c < 0 ? -1 : 1;
  }
  if (key.size() < bound.key.size()) return -1;
  return key.size() > bound.key.size() && !bound.partial ? 1 : 0;
}

bool satisfiesLower(std::span<const uint8_t> key, const KeyBound& lower) {
  int c = compareToBound(key, lower);
  return lower.inclusive ? c >= 0 : c > 0;
}

bool satisfiesUpper(std::span<const uint8_t> key, const KeyBound& upper) {
  int c = compareToBound(key, upper);
  return upper.inclusive ? c <= 0 : c < 0;
}

Error IndexTree::corrupt(const std::string& why) const {
  return Error(ErrorKind::Corrupt, why);
}

Result<std::shared_ptr<const IndexPage>> IndexTree::readPage(uint32_t number) const {
  LF_ASSIGN_OR_RETURN(page::Page page, pager_->read(number));
  std::shared_ptr<const IndexPage> decoded;
  if (cache_) {
    LF_ASSIGN_OR_RETURN(decoded, cache_->decode(*spec_, page));
  } else {
    LF_ASSIGN_OR_RETURN(IndexPage fresh, decodeIndexPage(*spec_, number, page.bytes()));
    decoded = std::make_shared<const IndexPage>(std::move(fresh));
  }
  if (decoded->owner != owner_) {
    return corrupt("index page " + std::to_string(number) + " belongs to the table defined on page " +
                   std::to_string(decoded->owner));
  }
  return decoded;
}

Result<std::vector<TreeStep>> IndexTree::descend(const std::function<bool(const IndexEntry&)>& reaches) const {
  std::vector<TreeStep> path;
  uint32_t number = root_;
  while (true) {
    if (path.size() == kMaxDepth) return corrupt("its pages lead round in a circle");
    LF_ASSIGN_OR_RETURN(std::shared_ptr<const IndexPage> page, readPage(number));
    const auto& entries = page->entries;
    auto found = std::partition_point(entries.begin(), entries.end(), [&](const IndexEntry& e) { return !reaches(e); });
    size_t slot = size_t(found - entries.begin());
    bool leaf = page->leaf;
    uint32_t child = slot < entries.size() ? entries[slot].child : page->tail;
    path.push_back(TreeStep{std::move(page), slot});
    if (leaf) return path;
    if (child == 0) {
      return corrupt("node page " + std::to_string(number) + " has no page after its last entry");
    }
    number = child;
  }
}

Result<IndexTree::Cursor> IndexTree::first() const {
  return seek(std::nullopt);
}

Result<IndexTree::Cursor> IndexTree::seek(const std::optional<KeyBound>& lower) const {
  LF_ASSIGN_OR_RETURN(std::vector<TreeStep> path,
                      descend([&](const IndexEntry& e) { return !lower || satisfiesLower(e.key, *lower); }));
  TreeStep& leaf = path.back();
  return Cursor(*this, std::move(leaf.page), leaf.slot);
}

Result<const IndexEntry*> IndexTree::Cursor::next() {
  while (slot_ >= leaf_->entries.size()) {
    if (leaf_->next == 0) return static_cast<const IndexEntry*>(nullptr);
    if (++pagesVisited_ > tree_.pager_->pageCount()) {
      return tree_.corrupt("its leaf pages lead round in a circle");
    }
    uint32_t from = leaf_->number;
    LF_ASSIGN_OR_RETURN(leaf_, tree_.readPage(leaf_->next));
    if (!leaf_->leaf) {
      return tree_.corrupt("leaf page " + std::to_string(from) + " is followed by node page " +
                           std::to_string(leaf_->number));
    }
    slot_ = 0;
  }
  return &leaf_->entries[slot_++];
}

}  // namespace ledgerfen::index
