#include "ledgerfen/data/connection_string.h"

#include <algorithm>
#include <cctype>

namespace ledgerfen::data {
namespace {

constexpr std::string_view kProviderKey = "Provider=";
constexpr std::string_view kDataSourceKey = "Data Source=";
constexpr std::string_view kPasswordKey = ";JET OLEDB:Database Password=";

char lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

// Position of the last occurrence of `needle` in `text` without regard to
// case, or npos.
size_t findLastNoCase(std::string_view text, std::string_view needle) {
  if (text.size() < needle.size()) return std::string_view::npos;
  for (size_t at = text.size() - needle.size() + 1; at-- > 0;) {
    if (equalNoCase(text.substr(at, needle.size()), needle)) return at;
  }
  return std::string_view::npos;
}

Error malformed(std::string_view what) {
  return Error(ErrorKind::InvalidArgument, "the connection string " + std::string(what));
}

}  // namespace

std::string buildConnectionString(std::string_view path, std::string_view password) {
  std::string_view tail = path.size() > 5 ? path.substr(path.size() - 5) : path;
  std::string text =
      equalNoCase(tail, "accdb") ? "Provider=" + std::string(kAceProvider) : "PROVIDER=" + std::string(kJetProvider);
  text += ";Data Source=";
  text += path;
  text += ";JET OLEDB:Database Password=";
  text += password;
  return text;
}

Result<ConnectionSettings> parseConnectionString(std::string_view text) {
  if (!startsWithNoCase(text, kProviderKey)) return malformed("does not begin with \"Provider=\"");
  text.remove_prefix(kProviderKey.size());
  size_t end = text.find(';');
  if (end == std::string_view::npos) return malformed("names no \"Data Source\"");
  ConnectionSettings settings;
  settings.provider = std::string(text.substr(0, end));
  text.remove_prefix(end + 1);
  if (!startsWithNoCase(text, kDataSourceKey)) return malformed("has no \"Data Source\" after the provider");
  text.remove_prefix(kDataSourceKey.size());
  size_t passwordAt = findLastNoCase(text, kPasswordKey);
  if (passwordAt == std::string_view::npos) {
    settings.dataSource = std::string(text);
  } else {
    settings.dataSource = std::string(text.substr(0, passwordAt));
    settings.password = std::string(text.substr(passwordAt + kPasswordKey.size()));
  }
  return settings;
}

}  // namespace ledgerfen::data
