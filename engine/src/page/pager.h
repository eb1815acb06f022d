// Pages of one database file, decoded and cached.
//
// The pager owns the file and the page codec. `read` returns a shared,
// immutable page; holders keep it alive after the cache drops it, so a
// decoder may hold several pages at once. Memory is bounded by the cache
// capacity plus the pages callers hold. One thread at a time.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "format/bytes.h"
#include "io/file.h"
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

 private:
  uint32_t number_ = 0;
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

class Pager {
 public:
  Pager(std::unique_ptr<io::File> file, uint32_t pageSize, uint64_t fileSize,
        size_t cacheCapacity = 512);

  void setCodec(std::unique_ptr<PageCodec> codec) { codec_ = std::move(codec); }
  const PageCodec* codec() const { return codec_.get(); }

  const std::string& fileName() const { return file_->name(); }
  uint32_t pageSize() const { return pageSize_; }
  uint32_t pageCount() const { return pageCount_; }

  // Reads and decodes page `number`; an error if it lies past the end of the file.
  Result<Page> read(uint32_t number);

 private:
  using CacheList = std::list<Page>;

  std::unique_ptr<io::File> file_;
  std::unique_ptr<PageCodec> codec_;
  uint32_t pageSize_;
  uint32_t pageCount_;
  size_t capacity_;
  CacheList lru_;  // most recently used first
  std::unordered_map<uint32_t, CacheList::iterator> index_;
};

}  // namespace ledgerfen::page
