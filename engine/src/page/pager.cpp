#include "page/pager.h"

namespace ledgerfen::page {

Pager::Pager(std::unique_ptr<io::File> file, uint32_t pageSize, uint64_t fileSize, size_t cacheCapacity)
    : file_(std::move(file)),
      pageSize_(pageSize),
      pageCount_(uint32_t(std::min<uint64_t>(fileSize / pageSize, UINT32_MAX))),
      capacity_(cacheCapacity) {}

Result<Page> Pager::read(uint32_t number) {
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
  lru_.push_front(page);
  index_[number] = lru_.begin();
  if (lru_.size() > capacity_) {
    index_.erase(lru_.back().number());
    lru_.pop_back();
  }
  return page;
}

}  // namespace ledgerfen::page
