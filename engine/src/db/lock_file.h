// The lock file Access keeps beside a database it has open ("name.ldb" for
// .mdb files, "name.laccdb" for .accdb): 64-byte slots of computer name and
// user name. While we write a database we keep one of our own, so Access
// (and other writers of ours) see that it is in use; a lock file someone
// else keeps means the database may be open elsewhere, and we only read.
#pragma once

#include <memory>
#include <string>

#include "ledgerfen/env.h"
#include "ledgerfen/file_format.h"

namespace ledgerfen::db {

class LockFile {
 public:
  static std::string pathFor(const std::string& databasePath, FileFormat format);

  // Claims the database for writing. Returns null, with `busy` saying why,
  // when another program holds it: a lock file we did not leave ourselves,
  // or one whose lock another process holds. A lock file left by an earlier
  // run on this computer that nobody holds is taken over.
  static Result<std::unique_ptr<LockFile>> claim(Env& env, const std::string& databasePath, FileFormat format,
                                                 std::string& busy);

  ~LockFile();  // removes the lock file
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

 private:
  LockFile(Env& env, std::string path, std::unique_ptr<File> file)
      : env_(env), path_(std::move(path)), file_(std::move(file)) {}

  Env& env_;
  std::string path_;
  std::unique_ptr<File> file_;
};

}  // namespace ledgerfen::db
