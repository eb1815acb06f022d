// libFuzzer target: open the input as a database and read every row of every
// table. Any crash, hang, sanitizer report or runaway allocation is a bug.
#include <cstddef>
#include <cstdint>

#include "ledgerfen/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ledgerfen;
  auto db = Database::openBytes("fuzz.mdb", {data, size});
  if (!db) return 0;
  auto entries = (*db)->catalog();
  if (!entries) return 0;
  for (const CatalogEntry& e : *entries) {
    if (!e.isLocalTable()) continue;
    auto table = (*db)->table(e.name);
    if (!table) continue;
    for (ScanOrder order : {ScanOrder::Logical, ScanOrder::Storage}) {
      auto cursor = table->scan(order);
      if (!cursor) break;
      Row row;
      for (auto more = cursor->next(row); more.ok() && *more; more = cursor->next(row)) {
      }
    }
  }
  return 0;
}
