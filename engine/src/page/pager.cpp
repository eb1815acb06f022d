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
  if (number >= pageCount_) {
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
  if (statement_ && number < statement_->pageCount && !statement_->before.count(number)) {
    // Held here, the old version is copied below rather than changed.
    statement_->before.emplace(number, it == changed_.end() ? nullptr : it->second);
  }
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

Status Pager::writeChanges() {
  if (!journal_) return Error(ErrorKind::ReadOnly, fileName() + ": opened for reading only");
  if (!journal_->begun()) LF_RETURN_IF_ERROR(journal_->begin(pageSize_, uint64_t(committedPageCount_) * pageSize_));
  // Pages that existed before the transaction need their old image saved;
  // pages it added are cut off again by restoring the size.
  std::vector<uint32_t> existing;
  for (const auto& [number, bytes] : changed_) {
    if (number < committedPageCount_) existing.push_back(number);
  }
  LF_RETURN_IF_ERROR(journal_->save(*file_, existing));
  for (const auto& [number, bytes] : changed_) {
    LF_ASSIGN_OR_RETURN(std::vector<uint8_t> stored, encoded(number, *bytes));
    LF_RETURN_IF_ERROR(file_->writeAt(uint64_t(number) * pageSize_, stored));
  }
  for (auto& [number, bytes] : changed_) remember(Page(number, std::move(bytes)));
  changed_.clear();
  return okStatus();
}

Status Pager::spill() {
  if (changed_.empty()) return okStatus();
  spilled_ = true;
  return writeChanges();
}

Status Pager::commit() {
  if (changed_.empty() && !spilled_) return okStatus();
  Status done = writeChanges();
  if (done) done = file_->sync();
  // The commit point. A journal still marked unfinished would undo the
  // commit at the next open, so any failure here undoes it now instead.
  if (done) done = journal_->finish();
  if (!done) {
    (void)discard();
    return done;
  }
  spilled_ = false;
  committedPageCount_ = pageCount_;
  return okStatus();
}

void Pager::beginStatement() {
  statement_ = Statement{pageCount_, {}};
}

void Pager::endStatement() {
  statement_.reset();
}

void Pager::undoStatement() {
  if (!statement_) return;
  for (auto& [number, bytes] : statement_->before) {
    if (bytes) {
      changed_[number] = std::move(bytes);
    } else {
      changed_.erase(number);
    }
  }
  // Pages the statement appended go again.
  changed_.erase(changed_.lower_bound(statement_->pageCount), changed_.end());
  pageCount_ = statement_->pageCount;
  statement_.reset();
}

Status Pager::discard() {
  statement_.reset();
  changed_.clear();
  pageCount_ = committedPageCount_;
  if (!journal_ || !journal_->begun()) return okStatus();
  // Pages of this transaction reached the file: put the old ones back.
  lru_.clear();
  index_.clear();
  spilled_ = false;
  return journal_->rollBack(*file_);
}

}  // namespace ledgerfen::page
