// The pages the objects of a database hold, found from the catalogue: each
// table's definition pages, the pages its usage maps list (data, index and
// long-value pages), the pages those maps are stored on and their bitmap
// pages, and the index roots.
//
// The allocator consults this before it reuses a page that the global map
// calls free, because that map can be stale: files exist whose map marks
// pages of live tables as free. Long-value pages of Jet3 and Jet4 tables are
// listed by no map; the allocator recognises those by their content.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "ledgerfen/database.h"

namespace ledgerfen::write {

struct PagesInUse {
  std::vector<bool> owned;                        // by page number, for the pages of the file when read
  std::unordered_set<uint32_t> tableDefinitions;  // the first definition page of every table

  bool isOwned(uint32_t page) const { return page < owned.size() && owned[page]; }
  void setOwned(uint32_t page, bool on);
};

Result<PagesInUse> readPagesInUse(const std::shared_ptr<Database::Core>& core);

}  // namespace ledgerfen::write
