#include "ledgerfen/data/connection.h"

#include <algorithm>
#include <cctype>

namespace ledgerfen::data {
namespace {

constexpr uint32_t kSystemObjectFlag = 0x80000000;
constexpr int32_t kQueryTypeMask = 0xF0;  // select 0x00, crosstab 0x10, delete 0x20, ...

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Orders names as Jet's schema rowsets do: letters without regard to case,
// the exact text breaking ties so the order is total.
bool nameBefore(const std::string& a, const std::string& b) {
  auto key = [](const std::string& s) {
    std::string k = s;
    for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
  };
  std::string keyA = key(a), keyB = key(b);
  return keyA != keyB ? keyA < keyB : a < b;
}

}  // namespace

std::string_view tableTypeOf(const CatalogEntry& entry) {
  if (entry.isLocalTable()) {
    if (entry.isUserTable()) return kTypeTable;
    if (uint32_t(entry.flags) & kSystemObjectFlag) return kTypeSystemTable;
    // MSys tables that Access itself keeps, and its temporary "~" tables.
    return kTypeAccessTable;
  }
  switch (entry.type & 0x7F) {
    case CatalogEntry::kLinkedTable: return kTypeLink;
    case CatalogEntry::kLinkedOdbcTable: return kTypePassThrough;
    case CatalogEntry::kQuery:
      // Select queries are views; action, union and crosstab queries belong
      // to the procedures schema.
      return (entry.flags & kQueryTypeMask) == 0 ? kTypeView : std::string_view();
    default: return {};
  }
}

Status Connection::open(std::string_view connectionString) {
  if (isOpen()) return Error(ErrorKind::InvalidArgument, "the connection is already open");
  LF_ASSIGN_OR_RETURN(ConnectionSettings settings, parseConnectionString(connectionString));
  if (!equalNoCase(settings.provider, kAceProvider) && !equalNoCase(settings.provider, kJetProvider)) {
    return Error(ErrorKind::Unsupported, "the provider \"" + settings.provider + "\" is not known");
  }
  OpenOptions options;
  options.password = settings.password;
  options.writable = mode_ == ConnectMode::ReadWrite;
  LF_ASSIGN_OR_RETURN(std::unique_ptr<Database> database, Database::open(settings.dataSource, options));
  database_ = std::move(database);
  settings_ = std::move(settings);
  return okStatus();
}

void Connection::close() {
  database_.reset();
}

Result<Rowset> Connection::openSchema(Schema schema) {
  if (!isOpen()) return Error(ErrorKind::InvalidArgument, "the connection is not open");
  if (schema != Schema::Tables) return Error(ErrorKind::Unsupported, "this schema rowset is not supported");
  LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, database_->catalog());

  struct Entry {
    std::string type, name;
  };
  std::vector<Entry> tables;
  for (const CatalogEntry& e : entries) {
    std::string_view type = tableTypeOf(e);
    if (!type.empty()) tables.push_back({std::string(type), e.name});
  }
  std::stable_sort(tables.begin(), tables.end(), [](const Entry& a, const Entry& b) {
    if (a.type != b.type) return a.type < b.type;
    return nameBefore(a.name, b.name);
  });

  std::vector<Rowset::Row> rows;
  rows.reserve(tables.size());
  for (Entry& t : tables) rows.push_back({std::nullopt, std::nullopt, std::move(t.name), std::move(t.type)});
  return Rowset(
      {std::string(kTableCatalog), std::string(kTableSchema), std::string(kTableName), std::string(kTableType)},
      std::move(rows));
}

}  // namespace ledgerfen::data
