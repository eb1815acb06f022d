#include "ledgerfen/database.h"

#include <algorithm>
#include <array>

#include "catalog/catalog.h"
#include "check/integrity_check.h"
#include "db/database_core.h"
#include "db/database_creator.h"
#include "db/exception_barrier.h"
#include "db/lock_file.h"
#include "db/page_decoding.h"
#include "db/write_session.h"
#include "io/file.h"
#include "page/journal.h"
#include "props/column_properties.h"
#include "table/table_state.h"
#include "write/catalog_writer.h"
#include "write/new_table.h"
#include "write/pages_in_use.h"
#include "write/table_builder.h"

namespace ledgerfen {
namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), s.begin(), [](char a, char b) {
           return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b));
         });
}

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithNoCase(a, b);
}

// A journal left by a crash must be rolled back before the file is read.
// When we only read, that needs a handle we can write and nobody else's
// lock: a live writer is finishing its commit, and its journal is its own.
Status settleUnfinishedJournal(Env& env, const std::string& path) {
  if (!page::Journal::isUnfinished(env, path)) return okStatus();
  auto file = env.open(path, OpenMode::ReadWrite);
  if (!file) {
    return Error(ErrorKind::ReadOnly, path +
                                          ": a change to this database was interrupted and must be rolled back "
                                          "first, which needs write access to the file");
  }
  LF_ASSIGN_OR_RETURN(bool locked, (*file)->tryLock());
  if (!locked) return okStatus();
  return page::Journal::recover(env, path, **file).ok()
             ? okStatus()
             : Error(ErrorKind::Io, path + ": cannot roll back an interrupted change");
}

// The format named by the version byte of a file's header, if it has one.
FileFormat formatOf(File& file) {
  uint8_t version = 1;
  std::array<uint8_t, 1> byte{};
  if (file.readAt(format::kHeaderVersion, byte).ok() && byte[0] <= uint8_t(FileFormat::Ace17)) version = byte[0];
  return FileFormat(version);
}

// Opens the file for writing when asked and possible: the file writable,
// no other writer of ours holding it, and no lock file of another program
// beside it; `lock` then holds the lock file made for it. Otherwise opens it
// for reading, with the reason in `core.readOnlyReason`.
Result<std::unique_ptr<File>> openFile(Database::Core& core, const OpenOptions& options,
                                       std::unique_ptr<db::LockFile>& lock) {
  Env& env = *core.env;
  if (options.writable) {
    auto file = env.open(core.path, OpenMode::ReadWrite);
    if (file) {
      LF_ASSIGN_OR_RETURN(bool locked, (*file)->tryLock());
      if (locked) {
        LF_ASSIGN_OR_RETURN(lock, db::LockFile::claim(env, core.path, formatOf(**file), core.readOnlyReason));
      } else {
        core.readOnlyReason = "another program is changing the database";
      }
      if (lock) {
        LF_RETURN_IF_ERROR(page::Journal::recover(env, core.path, **file));
        return std::move(*file);
      }
    } else if (file.error().kind() == ErrorKind::ReadOnly) {
      core.readOnlyReason = "the file cannot be written";
    } else {
      return file.error();
    }
  }
  LF_RETURN_IF_ERROR(settleUnfinishedJournal(env, core.path));
  return env.open(core.path, OpenMode::ReadOnly);
}

Status readHeader(Database::Core& core, File& file) {
  LF_ASSIGN_OR_RETURN(uint64_t size, file.size());
  std::vector<uint8_t> first(std::min<uint64_t>(size, 4096));
  LF_RETURN_IF_ERROR(file.readAt(0, first));
  LF_ASSIGN_OR_RETURN(core.header, format::parseHeader(first));
  core.spec = &format::formatSpec(core.header.format);
  if (size / core.spec->pageSize <= format::kCatalogTableDefPage) {
    return Error(ErrorKind::Corrupt, "the file is too short to hold the catalogue");
  }
  return okStatus();
}

void setUpWriting(Database::Core& core, std::unique_ptr<db::LockFile> lock) {
  auto session = std::make_unique<db::WriteSession>();
  session->lockFile = std::move(lock);
  session->journal = std::make_unique<page::Journal>(*core.env, core.path);
  core.pager->setJournal(session->journal.get());
  session->allocator = std::make_unique<usage::PageAllocator>(
      *core.pager, *core.spec, [&core] { return write::readPagesInUse(core.shared_from_this()); });
  session->longValues = std::make_unique<lval::LongValueWriter>(*core.pager, *core.spec, *session->allocator);
  core.writing = std::move(session);
}

// Opens the file (`open` gives it, and the lock file when it can be
// written) and reads what every use of the database needs.
using FileOpener = std::function<Result<std::unique_ptr<File>>(Database::Core&, std::unique_ptr<db::LockFile>&)>;

Result<std::shared_ptr<Database::Core>> openCore(Env& env, const std::string& path, const FileOpener& open,
                                                 const OpenOptions& options) {
  auto core = std::make_shared<Database::Core>();
  core->env = &env;
  core->path = path;
  std::unique_ptr<db::LockFile> lock;
  LF_ASSIGN_OR_RETURN(std::unique_ptr<File> file, open(*core, lock));
  LF_RETURN_IF_ERROR(readHeader(*core, *file));
  LF_ASSIGN_OR_RETURN(uint64_t size, file->size());
  if (lock && size % core->spec->pageSize != 0) {
    // Access writes whole pages: a file that ends in part of one is damaged
    // or cut short, and undoing a change could not put that part back.
    lock.reset();
    core->readOnlyReason = "the file ends in part of a page, so it may be damaged";
  }
  core->pager = std::make_unique<page::Pager>(std::move(file), core->spec->pageSize, size);
  if (core->spec->jet3) {
    LF_ASSIGN_OR_RETURN(core->codePage, text::CodePage::load(core->header.codePage ? core->header.codePage : 1252));
    core->names.codePage = core->codePage.get();
  }
  LF_RETURN_IF_ERROR(db::setUpPageDecoding(*core, options.password));
  if (lock) setUpWriting(*core, std::move(lock));
  return core;
}

Result<std::shared_ptr<Database::Core>> finish(const std::string& name, Result<std::shared_ptr<Database::Core>> core) {
  // Jet's password message stands alone, as callers show it to the user verbatim.
  if (!core && core.error().kind() == ErrorKind::WrongPassword) return core.error();
  if (!core) return core.error().kind() == ErrorKind::NotFound ? core.error() : core.error().withContext(name);
  return std::move(*core);
}

}  // namespace

bool CatalogEntry::isUserTable() const {
  return isLocalTable() && (uint32_t(flags) & kSystemFlags) == 0 && !startsWithNoCase(name, "MSys") &&
         !name.starts_with("~");
}

Database::Core::~Core() {
  // An open transaction is rolled back; if that fails the journal stays for the next open.
  if (pager) (void)db::withoutExceptions([&] { return pager->discard(); });
  writing.reset();
}

Result<std::shared_ptr<tdef::TableDefinition>> Database::Core::mutableDefinition(uint32_t page,
                                                                                 const std::string& name) {
  if (auto it = definitions.find(page); it != definitions.end()) return it->second;
  auto def = tdef::readTableDefinition(*pager, *spec, names, page);
  if (!def) return def.error().withContext("table " + name + ": definition on page " + std::to_string(page));
  def->schema.name = name;
  if (page != format::kCatalogTableDefPage) {
    Status applied = props::applyColumnProperties(shared_from_this(), *def);
    if (!applied) return applied.error().withContext("table " + name + ": properties");
  }
  auto shared = std::make_shared<tdef::TableDefinition>(std::move(*def));
  definitions[page] = shared;
  return shared;
}

Result<std::shared_ptr<const tdef::TableDefinition>> Database::Core::definition(uint32_t page,
                                                                                const std::string& name) {
  LF_ASSIGN_OR_RETURN(auto def, mutableDefinition(page, name));
  return std::shared_ptr<const tdef::TableDefinition>(std::move(def));
}

void Database::Core::forgetPageState() {
  if (writing) writing->forgetPlaces();
  definitions.clear();
  catalog.reset();
}

void Database::Core::discard() {
  // If spilled pages cannot be put back, the journal stays and the next open does it.
  (void)db::withoutExceptions([&] { return pager->discard(); });
  forgetPageState();
  writing->explicitTransaction = false;
}

Status Database::Core::commit() {
  Status s = db::withoutExceptions([&] { return pager->commit(); });
  if (!s) discard();
  writing->explicitTransaction = false;
  return s;
}

Status Database::Core::change(const std::function<Status()>& change) {
  if (!writable()) return Error(ErrorKind::ReadOnly, kReadOnlyMessage);
  // Whatever throws while the transaction keeps its statements or spills
  // leaves it in a state nobody can trust: it goes, as a failed one does.
  return db::withoutExceptions([&] { return applyChange(change); }, [&] { discard(); });
}

Status Database::Core::applyChange(const std::function<Status()>& change) {
  auto guarded = [&change] { return db::withoutExceptions(change); };
  if (!writing->explicitTransaction) {
    Status s = guarded();
    if (!s) {
      discard();
      return s;
    }
    return commit();
  }
  pager->beginStatement();
  Status s = guarded();
  if (!s) {
    // The transaction goes on without this change.
    pager->undoStatement();
    forgetPageState();
    return s;
  }
  pager->endStatement();
  if (pager->changedPages() > kSpillThreshold) {
    s = pager->spill();
    if (!s) discard();
  }
  return s;
}

Result<std::unique_ptr<Database>> Database::open(const std::string& path, const OpenOptions& options) {
  Env& env = options.env ? *options.env : defaultEnv();
  auto open = [&](Core& core, std::unique_ptr<db::LockFile>& lock) { return openFile(core, options, lock); };
  LF_ASSIGN_OR_RETURN(auto core,
                      finish(path, db::withoutExceptions([&] { return openCore(env, path, open, options); })));
  return std::unique_ptr<Database>(new Database(std::move(core)));
}

Result<std::unique_ptr<Database>> Database::openBytes(const std::string& name, std::span<const uint8_t> bytes,
                                                      const OpenOptions& options) {
  auto open = [&](Core&, std::unique_ptr<db::LockFile>&) -> Result<std::unique_ptr<File>> {
    return io::memoryFile(name, bytes);
  };
  LF_ASSIGN_OR_RETURN(auto core,
                      finish(name, db::withoutExceptions([&] { return openCore(defaultEnv(), name, open, options); })));
  return std::unique_ptr<Database>(new Database(std::move(core)));
}

Database::~Database() = default;

FileFormat Database::format() const {
  return core_->header.format;
}
const std::string& Database::path() const {
  return core_->path;
}
uint16_t Database::codePage() const {
  return core_->header.codePage;
}
bool Database::isReadOnly() const {
  return !core_->writable();
}
const std::string& Database::readOnlyReason() const {
  return core_->readOnlyReason;
}

Status Database::begin() {
  if (!core_->writable()) return Error(ErrorKind::ReadOnly, kReadOnlyMessage);
  if (core_->writing->explicitTransaction) return Error(ErrorKind::InvalidArgument, "a transaction is already open");
  core_->writing->explicitTransaction = true;
  return okStatus();
}

Status Database::commit() {
  return db::withoutExceptions([&]() -> Status {
    if (!core_->writable() || !core_->writing->explicitTransaction) {
      return Error(ErrorKind::InvalidArgument, "no transaction is open");
    }
    Status s = core_->commit();
    if (!s) return core_->inFile(s.error());
    return s;
  });
}

void Database::rollback() {
  if (core_->writable()) core_->discard();
}

Result<std::vector<CatalogEntry>> Database::catalog() {
  return db::withoutExceptions([&]() -> Result<std::vector<CatalogEntry>> {
    if (!core_->catalog) {
      auto entries = catalog::readCatalog(core_);
      if (!entries) return core_->inFile(entries.error().withContext("catalogue"));
      core_->catalog = std::move(*entries);
    }
    return *core_->catalog;
  });
}

Result<std::vector<std::string>> Database::userTableNames() {
  LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog());
  std::vector<std::string> names;
  for (const CatalogEntry& e : entries) {
    if (e.isUserTable()) names.push_back(e.name);
  }
  return names;
}

Result<Table> Database::table(std::string_view name) {
  return db::withoutExceptions([&]() -> Result<Table> {
    LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog());
    auto isTable = [](const CatalogEntry& e) { return e.isLocalTable(); };
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const CatalogEntry& e) { return isTable(e) && e.name == name; });
    if (it == entries.end()) {
      it = std::find_if(entries.begin(), entries.end(),
                        [&](const CatalogEntry& e) { return isTable(e) && equalNoCase(e.name, name); });
    }
    if (it == entries.end()) {
      return core_->inFile(Error(ErrorKind::NotFound, "there is no table named " + std::string(name)));
    }
    auto def = core_->definition(it->definitionPage(), it->name);
    if (!def) return core_->inFile(def.error());
    return Table(
        std::make_shared<const Table::State>(Table::State{core_, it->definitionPage(), it->name, std::move(*def)}));
  });
}

Result<IntegrityReport> Database::checkIntegrity(bool strict) {
  auto report = db::withoutExceptions([&] { return check::checkIntegrity(core_, strict); });
  if (!report) return core_->inFile(report.error());
  return report;
}

Status Database::create(const std::string& path, FileFormat format, Env* env) {
  return db::createDatabase(env ? *env : defaultEnv(), path, format);
}

Result<Table> Database::createTable(const TableSpec& spec) {
  LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog());
  for (const CatalogEntry& e : entries) {
    if (e.parentId == write::kTablesContainerId && equalNoCase(e.name, spec.name)) {
      return Error(ErrorKind::InvalidArgument, "a table or query named " + e.name + " exists already");
    }
  }
  SortOrder textOrder{core_->header.sortOrder, int8_t(core_->header.sortVersion)};
  LF_ASSIGN_OR_RETURN(tdef::TableDefinition def, write::definitionFor(spec, format(), textOrder));
  LF_ASSIGN_OR_RETURN(ByteString properties, props::propertiesFor(spec, format()));
  Status made = core_->change([&]() -> Status {
    write::layOutColumns(def);
    LF_ASSIGN_OR_RETURN(uint32_t page, write::storeNewTable(*core_, def));
    return write::registerTable(core_, spec.name, page, properties);
  });
  if (!made) return core_->inFile(made.error());
  return table(spec.name);
}

}  // namespace ledgerfen
