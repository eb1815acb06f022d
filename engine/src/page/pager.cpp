#include "page/pager.h"

#include <algorithm>

namespace ledgerfen::page {

Pager::Pager(std::unique_ptr<File> file, uint32_t pageSize, uint64_t fileSize, size_t cacheCapacity)
    : file_(std::move(file)),
      pageSize_(pageSize),
      pageCount_(uint32_t(std::min<uint64_t>(fileSize / pageSize, UINT32_MAX))),
      committedPageCount_(pageCount_),
      capacity_(cacheCapacity) {}

void Pager::remember(const Page& page) {
  if (auto it = index_.find(page.number()); it != index_.end()) {
    lru_.erase(it->second);
    index_.erase(it);
  }
  lru_.push_front(page);
  index_[page.number()] = lru_.begin();
  if (lru_.size() > capacity_) {
    index_.erase(lru_.back().number());
    lru_.pop_back();
  }
}

Result<Page> Pager::read(uint32_t number) {
  if (auto it = changed_.find(number); it != changed_.end()) return Page(number, it->second);
  if (auto it = index_.find(number); it != index_.end()) {
    lru_.splice(lru_.begin(), lru_, it->second);
    return *it->second;
  }
  if (number >= committedPageCount_) {
    return Error(ErrorKind::Corrupt, "page " + std::to_string(number) + " lies past the end of the file (" +
                                         std::to_string(pageCount_) + " pages)");
  }
  auto bytes = std::make_shared<std::vector<uint8_t>>(pageSize_);
  LF_RETURN_IF_ERROR(file_->readAt(uint64_t(number) * pageSize_, *bytes));
  if (codec_ && number != 0) LF_RETURN_IF_ERROR(codec_->decode(number, *bytes));
  Page page(number, std::move(bytes));
  remember(page);
  return page;
}

Result<std::span<uint8_t>> Pager::modify(uint32_t number) {
  auto it = changed_.find(number);
  if (it == changed_.end()) {
    LF_ASSIGN_OR_RETURN(Page page, read(number));
    auto copy = std::make_shared<std::vector<uint8_t>>(page.bytes().begin(), page.bytes().end());
    it = changed_.emplace(number, std::move(copy)).first;
  } else if (it->second.use_count() > 1) {
    // Somebody still reads the version they were given: change a copy.
    it->second = std::make_shared<std::vector<uint8_t>>(*it->second);
  }
  return std::span<uint8_t>(*it->second);
}

Result<uint32_t> Pager::append() {
  if (pageCount_ == UINT32_MAX) return Error(ErrorKind::Constraint, "the database cannot hold more pages");
  uint32_t number = pageCount_++;
  changed_[number] = std::make_shared<std::vector<uint8_t>>(pageSize_);
  return number;
}

Result<std::vector<uint8_t>> Pager::encoded(uint32_t number, const std::vector<uint8_t>& bytes) const {
  std::vector<uint8_t> out = bytes;
  if (codec_ && number != 0) LF_RETURN_IF_ERROR(codec_->encode(number, out));
  return out;
}

Status Pager::commit(Journal& journal) {
  if (changed_.empty()) return okStatus();
  std::vector<uint32_t> existing;
  for (const auto& [number, bytes] : changed_) {
    if (number < committedPageCount_) existing.push_back(number);
  }
  uint64_t originalSize = uint64_t(committedPageCount_) * pageSize_;
  LF_RETURN_IF_ERROR(journal.begin(*file_, pageSize_, originalSize, existing));

  Status written = [&]() -> Status {
    for (const auto& [number, bytes] : changed_) {
      LF_ASSIGN_OR_RETURN(std::vector<uint8_t> stored, encoded(number, *bytes));
      LF_RETURN_IF_ERROR(file_->writeAt(uint64_t(number) * pageSize_, stored));
    }
    return file_->sync();
  }();
  if (!written) {
    // Put the old pages back now; if even that fails, the journal stays and
    // the next open rolls the file back.
    (void)journal.rollBack(*file_);
    discard();
    return written;
  }
  if (Status finished = journal.finish(); !finished) {
    // The journal still says "unfinished": undo now rather than let the next
    // open undo a change that was reported as failed.
    (void)journal.rollBack(*file_);
    discard();
    return finished;
  }

  for (auto& [number, bytes] : changed_) remember(Page(number, std::move(bytes)));
  changed_.clear();
  committedPageCount_ = pageCount_;
  return okStatus();
}

void Pager::discard() {
  changed_.clear();
  pageCount_ = committedPageCount_;
}

}  // namespace ledgerfen::page
