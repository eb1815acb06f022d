// What an open database shares with its tables and cursors: the file's pages,
// its format, the definitions read so far; and, for a database opened for
// writing, its write session (db/write_session.h) and the transaction every
// change runs in.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "format/format_spec.h"
#include "format/header.h"
#include "index/index_page_cache.h"
#include "ledgerfen/database.h"
#include "page/pager.h"
#include "tdef/table_definition.h"
#include "text/text_codec.h"

namespace ledgerfen {
namespace db {
struct WriteSession;
}

struct Database::Core : std::enable_shared_from_this<Database::Core> {
  Env* env = nullptr;
  std::string path;
  format::DatabaseHeader header;
  const format::FormatSpec* spec = nullptr;
  std::unique_ptr<page::Pager> pager;
  // Index pages as decoded, each with the page bytes it came from; pages
  // whose bytes changed since are decoded again.
  index::IndexPageCache indexPages;
  std::shared_ptr<const text::CodePage> codePage;  // Jet3 text and names
  tdef::NameDecoder names;
  std::optional<std::vector<CatalogEntry>> catalog;
  // Definitions read so far, by first page. Changes to a table's counters
  // are made here and on its pages together; a discarded transaction drops
  // them all so they are read again.
  std::map<uint32_t, std::shared_ptr<tdef::TableDefinition>> definitions;

  // Writing: present only when the database was opened for writing and could be.
  std::string readOnlyReason;  // why it could not be, when asked for
  std::unique_ptr<db::WriteSession> writing;

  ~Core();

  // A transaction holding more changed pages than this writes them to the file (journaled) between changes.
  static constexpr size_t kSpillThreshold = 4096;

  bool writable() const { return writing != nullptr; }

  Result<std::shared_ptr<const tdef::TableDefinition>> definition(uint32_t page, const std::string& name);
  Result<std::shared_ptr<tdef::TableDefinition>> mutableDefinition(uint32_t page, const std::string& name);

  // Runs `change` atomically: inside an explicit transaction it becomes part
  // of it (a failed change is undone alone, the transaction goes on);
  // otherwise it is committed at once, or discarded when it fails.
  Status change(const std::function<Status()>& change);
  // change() without its guard against exceptions.
  Status applyChange(const std::function<Status()>& change);
  Status commit();
  void discard();
  // Drops what was read from pages (catalogue, definitions, allocation
  // hints) after the pages were put back, so it is read again.
  void forgetPageState();

  // Prefixes the file name to an error's message.
  Error inFile(const Error& e) const { return e.withContext(path); }
};

}  // namespace ledgerfen
