#include "ledgerfen/database.h"

#include <algorithm>

#include "catalog/catalog.h"
#include "db/database_core.h"
#include "db/page_decoding.h"
#include "io/file.h"
#include "table/table_state.h"

namespace ledgerfen {
namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), s.begin(),
                    [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); });
}

bool equalNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && startsWithNoCase(a, b); }

Result<std::shared_ptr<Database::Core>> openCore(std::unique_ptr<io::File> file, const OpenOptions& options) {
  auto core = std::make_shared<Database::Core>();
  core->path = file->name();
  LF_ASSIGN_OR_RETURN(uint64_t size, file->size());
  std::vector<uint8_t> first(std::min<uint64_t>(size, 4096));
  LF_RETURN_IF_ERROR(file->readAt(0, first));
  LF_ASSIGN_OR_RETURN(core->header, format::parseHeader(first));
  core->spec = &format::formatSpec(core->header.format);
  core->pager = std::make_unique<page::Pager>(std::move(file), core->spec->pageSize, size);
  if (core->pager->pageCount() <= format::kCatalogTableDefPage) {
    return Error(ErrorKind::Corrupt, "the file is too short to hold the catalogue");
  }
  if (core->spec->jet3) {
    LF_ASSIGN_OR_RETURN(core->codePage, text::CodePage::load(core->header.codePage ? core->header.codePage : 1252));
    core->names.codePage = core->codePage.get();
  }
  LF_RETURN_IF_ERROR(db::setUpPageDecoding(*core, options.password));
  return core;
}

Result<std::shared_ptr<Database::Core>> finishOpen(const std::string& name, Result<std::unique_ptr<io::File>> file,
                                                   const OpenOptions& options) {
  if (!file) return file.error();
  auto core = openCore(std::move(*file), options);
  // Jet's password message stands alone, as callers show it to the user verbatim.
  if (!core && core.error().kind() == ErrorKind::WrongPassword) return core.error();
  if (!core) return core.error().withContext(name);
  return std::move(*core);
}

}  // namespace

bool CatalogEntry::isUserTable() const {
  return isLocalTable() && (uint32_t(flags) & kSystemFlags) == 0 && !startsWithNoCase(name, "MSys") &&
         !name.starts_with("~");
}

Result<std::shared_ptr<const tdef::TableDefinition>> Database::Core::definition(uint32_t page,
                                                                                const std::string& name) {
  if (auto it = definitions.find(page); it != definitions.end()) return it->second;
  auto def = tdef::readTableDefinition(*pager, *spec, names, page);
  if (!def) return def.error().withContext("table " + name + ": definition on page " + std::to_string(page));
  def->schema.name = name;
  auto shared = std::make_shared<const tdef::TableDefinition>(std::move(*def));
  definitions[page] = shared;
  return shared;
}

Result<std::unique_ptr<Database>> Database::open(const std::string& path, const OpenOptions& options) {
  LF_ASSIGN_OR_RETURN(auto core, finishOpen(path, io::openFileForReading(path), options));
  return std::unique_ptr<Database>(new Database(std::move(core)));
}

Result<std::unique_ptr<Database>> Database::openBytes(const std::string& name, std::span<const uint8_t> bytes,
                                                      const OpenOptions& options) {
  LF_ASSIGN_OR_RETURN(auto core, finishOpen(name, std::unique_ptr<io::File>(io::memoryFile(name, bytes)), options));
  return std::unique_ptr<Database>(new Database(std::move(core)));
}

Database::~Database() = default;

FileFormat Database::format() const { return core_->header.format; }
const std::string& Database::path() const { return core_->path; }
uint16_t Database::codePage() const { return core_->header.codePage; }

Result<std::vector<CatalogEntry>> Database::catalog() {
  if (!core_->catalog) {
    auto entries = catalog::readCatalog(core_);
    if (!entries) return core_->inFile(entries.error().withContext("catalogue"));
    core_->catalog = std::move(*entries);
  }
  return *core_->catalog;
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
  LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, catalog());
  auto isTable = [](const CatalogEntry& e) { return e.isLocalTable(); };
  auto it = std::find_if(entries.begin(), entries.end(), [&](const CatalogEntry& e) { return isTable(e) && e.name == name; });
  if (it == entries.end()) {
    it = std::find_if(entries.begin(), entries.end(),
                      [&](const CatalogEntry& e) { return isTable(e) && equalNoCase(e.name, name); });
  }
  if (it == entries.end()) {
    return core_->inFile(Error(ErrorKind::NotFound, "there is no table named " + std::string(name)));
  }
  auto def = core_->definition(it->definitionPage(), it->name);
  if (!def) return core_->inFile(def.error());
  return Table(std::make_shared<const Table::State>(Table::State{core_, std::move(*def)}));
}

}  // namespace ledgerfen
