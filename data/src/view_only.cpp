#include "ledgerfen/data/view_only.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace ledgerfen::data {
namespace {

constexpr size_t kSlot = 64;
constexpr size_t kName = 32;
// Access keeps at most 255 sessions in a lock file.
constexpr size_t kMostSlots = 255;
constexpr uint16_t kGeneralLcid = 0x0409;

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

bool isFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string fileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name of a slot: up to its zero byte, blanks around it dropped; empty
// when it holds a control character (not a name at all).
std::string slotName(const char* bytes) {
  std::string name;
  for (size_t i = 0; i < kName && bytes[i] != '\0'; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x20 || byte == 0x7F) return {};
    if (byte < 0x80) {
      name += char(byte);
    } else {
      name += char(0xC0 | (byte >> 6));
      name += char(0x80 | (byte & 0x3F));
    }
  }
  const size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

std::string holdersText(const std::vector<LockHolder>& holders) {
  std::string text;
  for (size_t i = 0; i < holders.size(); ++i) {
    if (i > 0) text += i + 1 == holders.size() ? " and " : ", ";
    text += "computer " + holders[i].computer;
    if (!holders[i].user.empty()) text += " (user " + holders[i].user + ")";
  }
  return text;
}

std::string lockFileNotice(const std::string& lockFile) {
  const std::string name = fileName(lockFile);
  const std::vector<LockHolder> holders = readLockFile(lockFile);
  std::string text = "This table opens for viewing only: the database is open in Access";
  text += holders.empty() ? ", its lock file " + name + " says"
                          : " on " + holdersText(holders) + ", as its lock file " + name + " records";
  text +=
      ". If that session is over (Access was closed, or the computer stopped without closing it), the lock file "
      "was left behind: delete " +
      name + " in the database's folder, then open the table again. This program never deletes a lock file by itself.";
  return text;
}

}  // namespace

std::vector<LockHolder> readLockFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::vector<LockHolder> holders;
  char slot[kSlot];
  for (size_t n = 0; n < kMostSlots && file.read(slot, kSlot); ++n) {
    LockHolder holder{slotName(slot), slotName(slot + kName)};
    if (holder.computer.empty()) continue;
    if (std::find(holders.begin(), holders.end(), holder) == holders.end()) holders.push_back(std::move(holder));
  }
  return holders;
}

std::optional<std::string> lockFileBeside(const std::string& databasePath) {
  const size_t slash = databasePath.rfind('/');
  const size_t dot = databasePath.rfind('.');
  const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? databasePath
                               : databasePath.substr(0, dot);
  const bool ace = endsWithNoCase(databasePath, ".accdb") || endsWithNoCase(databasePath, ".accde");
  for (const std::string& candidate : ace ? std::vector<std::string>{base + ".laccdb", base + ".ldb"}
                                          : std::vector<std::string>{base + ".ldb", base + ".laccdb"}) {
    if (isFile(candidate)) return candidate;
  }
  return std::nullopt;
}

std::string unsortableIndexReason(FileFormat format, const TableSchema& table) {
  for (const Index& index : table.indexes) {
    for (const IndexColumn& ic : index.columns) {
      const int position = table.positionOfNumber(ic.columnNumber);
      if (position < 0) continue;
      const Column& column = table.columns[size_t(position)];
      if (column.type != ColumnType::Text && column.type != ColumnType::Memo) continue;
      const SortOrder& order = column.sortOrder;
      const bool known = order.lcid == 0 ||
                         (order.lcid == kGeneralLcid && (isJet3(format) || order.version == 0 || order.version == 1));
      if (!known) {
        return "column " + column.name + " of index " + index.name + " sorts text by the language order LCID " +
               std::to_string(order.lcid) + ", whose index keys this program cannot make";
      }
    }
  }
  return {};
}

std::string viewOnlyNotice(const std::string& reason, const std::string& databasePath) {
  if (reason.find("lock file") != std::string::npos) {
    if (auto lockFile = lockFileBeside(databasePath)) return lockFileNotice(*lockFile);
  }
  if (reason == "the file cannot be written") {
    return "This table opens for viewing only: the file cannot be written (it is read-only for you, or on a "
           "read-only disk). Make it writable, then open the table again to edit it.";
  }
  if (reason == "another program is changing the database") {
    return "This table opens for viewing only: another program has the database open for changes. Close the "
           "database there, then open the table again to edit it.";
  }
  if (reason.find("sorts text by the language order") != std::string::npos) {
    return "This table opens for viewing only: " + reason + ", so a change could not keep that index right.";
  }
  if (reason.empty()) return "This table opens for viewing only.";
  return "This table opens for viewing only: " + reason + ".";
}

}  // namespace ledgerfen::data
