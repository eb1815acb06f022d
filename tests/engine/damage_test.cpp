// A damaged file is an error, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <new>
#include <random>

#include "format/bytes.h"
#include "format/format_spec.h"
#include "ledgerfen/database.h"
#include "support/fixtures.h"
#include "support/memory_env.h"

namespace ledgerfen {
namespace {

using format::u16le;
using format::u32le;

// Opens the bytes and reads every row of every table, system tables included,
// in both orders. Returns the first error.
Status readEverything(const std::vector<uint8_t>& bytes, const std::string& password = "") {
  LF_ASSIGN_OR_RETURN(auto db, Database::openBytes("damaged.mdb", bytes, OpenOptions{password}));
  LF_ASSIGN_OR_RETURN(std::vector<CatalogEntry> entries, db->catalog());
  for (const CatalogEntry& e : entries) {
    if (!e.isLocalTable()) continue;
    LF_ASSIGN_OR_RETURN(Table table, db->table(e.name));
    for (ScanOrder order : {ScanOrder::Logical, ScanOrder::Storage}) {
      LF_ASSIGN_OR_RETURN(RowCursor cursor, table.scan(order));
      Row row;
      while (true) {
        LF_ASSIGN_OR_RETURN(bool more, cursor.next(row));
        if (!more) break;
      }
    }
  }
  return okStatus();
}

std::vector<uint8_t> fixtureBytes(const std::string& path) {
  return test::readFileBytes(test::fixtureNamed(path).fullPath());
}

const format::FormatSpec& specOf(const std::vector<uint8_t>& bytes) {
  return format::formatSpec(FileFormat(bytes[0x14]));
}

void expectCorrupt(const Status& s) {
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().kind(), ErrorKind::Corrupt) << s.error().message();
}

const char* kOnePerFormat[] = {
    "jackcess/V1997/test2V1997.mdb",         "jackcess/V2000/test2V2000.mdb",
    "jackcess/V2007/test2V2007.accdb",       "jackcess/V2010/calcFieldTestV2010.accdb",
    "jackcess/V2019/extDateTestV2019.accdb",
};

TEST(Damage, TruncatedCopiesFailAsCorrupt) {
  for (const char* path : kOnePerFormat) {
    std::vector<uint8_t> whole = fixtureBytes(path);
    ASSERT_TRUE(readEverything(whole).ok()) << path;
    uint32_t pageSize = specOf(whole).pageSize;
    for (size_t cut = 0; cut < whole.size(); cut += pageSize / 2) {
      std::vector<uint8_t> part(whole.begin(), whole.begin() + long(cut + (cut % pageSize ? 7 : 0)));
      Status s = readEverything(part);
      if (!s.ok()) {
        EXPECT_EQ(s.error().kind(), ErrorKind::Corrupt) << path << " cut at " << cut << ": " << s.error().message();
      }
    }
  }
}

TEST(Damage, HeaderThatIsNotAccessOrUnknownVersion) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/test2V2000.mdb");
  auto version = bytes;
  version[0x14] = 7;
  Status s = readEverything(version);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().kind(), ErrorKind::Unsupported);
  EXPECT_NE(s.error().message().find("unknown database format version 7"), std::string::npos);

  auto magic = bytes;
  magic[1] = 0x02;
  expectCorrupt(readEverything(magic));
  auto engine = bytes;
  engine[4] = 'X';
  expectCorrupt(readEverything(engine));
  expectCorrupt(readEverything({}));

  // A workgroup information file is an Access file of another kind: refused, saying what it is.
  auto workgroup = bytes;
  const std::string name = "Jet System DB  ";
  std::copy(name.begin(), name.end(), workgroup.begin() + 4);
  s = readEverything(workgroup);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().kind(), ErrorKind::Unsupported);
  EXPECT_NE(s.error().message().find("workgroup information file"), std::string::npos) << s.error().message();
}

TEST(Damage, DefinitionDeclaringTooManyColumns) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/test2V2000.mdb");
  const auto& spec = specOf(bytes);
  size_t at = 2 * spec.pageSize + spec.tdefColumnCount;
  format::put16le(&bytes[at], 0xFFFF);
  expectCorrupt(readEverything(bytes));
}

// The offset of row `row` of page `page` in the file.
size_t rowOffset(const std::vector<uint8_t>& bytes, uint32_t page, uint16_t row) {
  const auto& spec = specOf(bytes);
  size_t base = size_t(page) * spec.pageSize;
  return base + (u16le(bytes, base + spec.dataHeaderSize + 2u * row) & format::kRowOffsetMask);
}

TEST(Damage, UsageMapPointingPastTheEnd) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/test2V2000.mdb");
  const auto& spec = specOf(bytes);
  auto map = format::RowPointer::unpack(u32le(bytes, 2 * spec.pageSize + spec.tdefOwnedPagesMap));
  size_t at = rowOffset(bytes, map.page, map.row);
  ASSERT_EQ(bytes[at], 0) << "expected an inline map";
  format::put32le(&bytes[at + 1], 0x00FFFF00);
  expectCorrupt(readEverything(bytes));
}

TEST(Damage, RowOffsetOutsideThePage) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/test2V2000.mdb");
  auto db = Database::openBytes("x.mdb", bytes);
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table("MSP_PROJECTS");
  ASSERT_TRUE(table.ok());
  auto cursor = table->scan();
  Row row;
  ASSERT_TRUE(cursor->next(row).value());
  const auto& spec = specOf(bytes);
  format::put16le(&bytes[row.id.page * spec.pageSize + spec.dataHeaderSize + 2u * row.id.row], 0x1FFF);
  expectCorrupt(readEverything(bytes));
}

TEST(Damage, LongValueChainThatLoops) {
  std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/test2V2000.mdb");
  // The OLE value of 22970 bytes is a chain; find its 12-byte definition.
  const uint8_t length[] = {0xBA, 0x59, 0x00, 0x00};
  auto it = std::search(bytes.begin(), bytes.end(), std::begin(length), std::end(length));
  ASSERT_NE(it, bytes.end());
  auto first = format::RowPointer::unpack(u32le(bytes, size_t(it - bytes.begin()) + 4));
  ASSERT_FALSE(first.isNull());
  // Point the first fragment's "next" at itself.
  format::put32le(&bytes[rowOffset(bytes, first.page, first.row)], first.packed());
  Status s = readEverything(bytes);
  expectCorrupt(s);
  EXPECT_NE(s.error().message().find("loops"), std::string::npos);
}

// A file system whose reads throw after a number of them, as a library may
// throw (std::bad_alloc above all) anywhere inside the engine.
class ThrowingEnv final : public Env {
 public:
  explicit ThrowingEnv(int readsBeforeThrowing) : left_(readsBeforeThrowing) {}
  test::MemoryEnv& inner() { return inner_; }

  Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override {
    LF_ASSIGN_OR_RETURN(std::unique_ptr<File> file, inner_.open(path, mode));
    return std::unique_ptr<File>(std::make_unique<ThrowingFile>(std::move(file), left_));
  }
  bool exists(const std::string& path) override { return inner_.exists(path); }
  Status remove(const std::string& path) override { return inner_.remove(path); }
  Status rename(const std::string& from, const std::string& to) override { return inner_.rename(from, to); }
  Status syncFolderOf(const std::string& path) override { return inner_.syncFolderOf(path); }
  std::string hostName() override { return inner_.hostName(); }

 private:
  class ThrowingFile final : public File {
   public:
    ThrowingFile(std::unique_ptr<File> file, int& left) : file_(std::move(file)), left_(left) {}
    const std::string& name() const override { return file_->name(); }
    Result<uint64_t> size() override { return file_->size(); }
    Status readAt(uint64_t offset, std::span<uint8_t> out) override {
      if (left_-- == 0) throw std::bad_alloc();
      return file_->readAt(offset, out);
    }
    Status writeAt(uint64_t offset, std::span<const uint8_t> data) override { return file_->writeAt(offset, data); }
    Status truncate(uint64_t size) override { return file_->truncate(size); }
    Status sync() override { return file_->sync(); }
    Result<bool> tryLock() override { return file_->tryLock(); }

   private:
    std::unique_ptr<File> file_;
    int& left_;
  };

  test::MemoryEnv inner_;
  int left_;
};

// Whatever throws inside the engine comes out as an error value saying the
// engine failed, and the change it cut short is undone; nothing escapes to
// end the program.
TEST(Damage, ExceptionsInsideTheEngineComeOutAsErrors) {
  const std::vector<uint8_t> bytes = fixtureBytes("jackcess/V2000/test2V2000.mdb");
  int internalErrors = 0;
  for (int reads = 0; reads < 60; reads += 3) {
    ThrowingEnv env(reads);
    env.inner().put("/db/x.mdb", bytes);
    Status s = [&]() -> Status {
      LF_ASSIGN_OR_RETURN(auto db, Database::open("/db/x.mdb", OpenOptions{"", true, &env}));
      LF_ASSIGN_OR_RETURN(std::vector<std::string> names, db->userTableNames());
      LF_ASSIGN_OR_RETURN(Table table, db->table(names.front()));
      LF_ASSIGN_OR_RETURN(RowCursor cursor, table.scan());
      Row row;
      while (true) {
        LF_ASSIGN_OR_RETURN(bool more, cursor.next(row));
        if (!more) break;
      }
      LF_ASSIGN_OR_RETURN(Row added, table.insertRow(std::vector<Value>(table.schema().columns.size())));
      return table.deleteRow(added.id, added.values);
    }();
    // The file is whole afterwards, whatever was cut short.
    auto reopened = Database::open("/db/x.mdb", OpenOptions{"", false, &env.inner()});
    ASSERT_TRUE(reopened.ok()) << reopened.error().message();
    auto report = (*reopened)->checkIntegrity();
    ASSERT_TRUE(report.ok()) << report.error().message();
    EXPECT_TRUE(report->problems.empty()) << reads << " reads: " << report->problems.front();
    if (s.ok()) continue;
    EXPECT_EQ(s.error().kind(), ErrorKind::Internal) << reads << " reads: " << s.error().message();
    internalErrors += s.error().kind() == ErrorKind::Internal;
  }
  EXPECT_GT(internalErrors, 0) << "no read threw inside the engine";
}

TEST(Damage, RandomByteFlipsFailAsDamageNeverAsAFault) {
  for (const char* path : kOnePerFormat) {
    std::vector<uint8_t> whole = fixtureBytes(path);
    std::mt19937 random(42);
    for (int trial = 0; trial < 150; ++trial) {
      std::vector<uint8_t> bytes = whole;
      for (int flips = 0; flips < 8; ++flips) {
        // Aim at the pages that matter most: header, catalogue and the first table pages.
        size_t limit = std::min<size_t>(bytes.size(), 32 * 4096);
        bytes[random() % limit] ^= uint8_t(1u << (random() % 8));
      }
      // Any outcome but a crash; a failure says the file is damaged or of an
      // unknown kind (flips in the header can ask for a password or a newer
      // version), never that the engine itself failed.
      Status s = readEverything(bytes);
      if (s.ok()) continue;
      const ErrorKind kind = s.error().kind();
      EXPECT_TRUE(kind == ErrorKind::Corrupt || kind == ErrorKind::Unsupported || kind == ErrorKind::WrongPassword)
          << path << " trial " << trial << ": " << errorKindName(kind) << ": " << s.error().message();
    }
  }
}

}  // namespace
}  // namespace ledgerfen
