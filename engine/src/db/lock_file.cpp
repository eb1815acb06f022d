#include "db/lock_file.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ledgerfen::db {
namespace {

constexpr size_t kNameSize = 32;  // computer name, then user name, per slot

std::array<uint8_t, 2 * kNameSize> slotFor(const std::string& host) {
  std::array<uint8_t, 2 * kNameSize> slot{};
  std::copy_n(host.begin(), std::min(host.size(), kNameSize), slot.begin());
  const std::string user = "Admin";
  std::copy(user.begin(), user.end(), slot.begin() + kNameSize);
  return slot;
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(), [](char a, char b) {
           return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b));
         });
}

}  // namespace

std::string LockFile::pathFor(const std::string& databasePath, FileFormat format) {
  size_t slash = databasePath.rfind('/');
  size_t dot = databasePath.rfind('.');
  std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                         ? databasePath
                         : databasePath.substr(0, dot);
  bool ace = endsWithNoCase(databasePath, ".accdb") || endsWithNoCase(databasePath, ".accde") ||
             (!endsWithNoCase(databasePath, ".mdb") && !endsWithNoCase(databasePath, ".mde") && isAce(format));
  return base + (ace ? ".laccdb" : ".ldb");
}

Result<std::unique_ptr<LockFile>> LockFile::claim(Env& env, const std::string& databasePath, FileFormat format,
                                                  std::string& busy) {
  std::string path = pathFor(databasePath, format);
  std::string host = env.hostName();
  auto created = env.open(path, OpenMode::CreateNew);
  std::unique_ptr<File> file;
  if (created) {
    file = std::move(*created);
  } else {
    auto existing = env.open(path, OpenMode::ReadWrite);
    if (!existing) {
      busy = "the lock file " + path + " exists and cannot be opened";
      return std::unique_ptr<LockFile>();
    }
    file = std::move(*existing);
    LF_ASSIGN_OR_RETURN(bool locked, file->tryLock());
    std::array<uint8_t, kNameSize> owner{};
    LF_ASSIGN_OR_RETURN(uint64_t size, file->size());
    if (size >= kNameSize) LF_RETURN_IF_ERROR(file->readAt(0, owner));
    auto expected = slotFor(host);
    bool ours = std::equal(owner.begin(), owner.end(), expected.begin());
    if (!locked || !ours) {
      busy = "the database is open in another program (its lock file " + path + " exists)";
      return std::unique_ptr<LockFile>();
    }
  }
  LF_ASSIGN_OR_RETURN(bool locked, file->tryLock());
  if (!locked) {
    busy = "the database is open in another program (its lock file " + path + " is locked)";
    return std::unique_ptr<LockFile>();
  }
  auto slot = slotFor(host);
  LF_RETURN_IF_ERROR(file->truncate(0));
  LF_RETURN_IF_ERROR(file->writeAt(0, slot));
  return std::unique_ptr<LockFile>(new LockFile(env, std::move(path), std::move(file)));
}

LockFile::~LockFile() {
  file_.reset();
  (void)env_.remove(path_);
}

}  // namespace ledgerfen::db
