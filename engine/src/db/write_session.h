// What a database opened for writing holds beyond what readers need: the
// lock that keeps other writers out, the rollback journal, page allocation,
// long-value storage, the data pages being filled, and whether the caller
// opened a transaction. Only the writers include this; readers see the
// session as an opaque pointer of Database::Core.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "db/lock_file.h"
#include "lval/long_value_writer.h"
#include "page/journal.h"
#include "usage/page_allocator.h"

namespace ledgerfen::db {

struct WriteSession {
  std::unique_ptr<LockFile> lockFile;
  std::unique_ptr<page::Journal> journal;
  std::unique_ptr<usage::PageAllocator> allocator;
  std::unique_ptr<lval::LongValueWriter> longValues;
  std::map<uint32_t, uint32_t> fillPages;  // table definition page -> data page being filled
  uint32_t mapPage = 0;                    // the page new usage-map rows go on
  bool explicitTransaction = false;

  // Forgets where pages were found (after pages were put back).
  void forgetPlaces() {
    allocator->reset();
    longValues->reset();
    fillPages.clear();
    mapPage = 0;
  }
};

}  // namespace ledgerfen::db
