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

#include <memory>

#include "ledgerfen/database.h"
#include "usage/page_allocator.h"

namespace ledgerfen::write {

Result<usage::PagesInUse> readPagesInUse(const std::shared_ptr<Database::Core>& core);

}  // namespace ledgerfen::write
