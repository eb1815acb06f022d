#include "page/journal.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cstring>

#include "format/bytes.h"

namespace ledgerfen::page {
namespace {

constexpr char kMagic[8] = {'L', 'F', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr uint64_t kHeaderSize = 64;
constexpr uint64_t kRecordHeaderSize = 12;

struct Header {
  uint32_t pageSize = 0;
  uint32_t records = 0;
  uint64_t originalSize = 0;
  uint64_t nonce = 0;
};

void put64(uint8_t* p, uint64_t v) {
  format::put32le(p, uint32_t(v));
  format::put32le(p + 4, uint32_t(v >> 32));
}

// 64 bits of SHA-256 over the nonce, the page number and the page.
uint64_t checksum(uint64_t nonce, uint32_t page, std::span<const uint8_t> bytes) {
  uint8_t prefix[12];
  put64(prefix, nonce);
  format::put32le(prefix + 8, page);
  std::array<uint8_t, 32> digest{};
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr);
  EVP_DigestUpdate(ctx, prefix, sizeof prefix);
  EVP_DigestUpdate(ctx, bytes.data(), bytes.size());
  EVP_DigestFinal_ex(ctx, digest.data(), nullptr);
  EVP_MD_CTX_free(ctx);
  return format::u64le(digest, 0);
}

Result<Header> readHeader(File& journal) {
  LF_ASSIGN_OR_RETURN(uint64_t size, journal.size());
  std::array<uint8_t, kHeaderSize> raw{};
  if (size < kHeaderSize) return Header{};
  LF_RETURN_IF_ERROR(journal.readAt(0, raw));
  if (std::memcmp(raw.data(), kMagic, sizeof kMagic) != 0) return Header{};
  Header h;
  h.pageSize = format::u32le(raw, 8);
  h.records = format::u32le(raw, 12);
  h.originalSize = format::u64le(raw, 16);
  h.nonce = format::u64le(raw, 24);
  return h;
}

// Writes every intact record back into `db` and restores its size.
Status replay(File& journal, const Header& h, File& db) {
  if (h.pageSize == 0 || h.pageSize > 65536) return Error(ErrorKind::Corrupt, journal.name() + ": damaged header");
  LF_ASSIGN_OR_RETURN(uint64_t size, journal.size());
  std::vector<uint8_t> record(kRecordHeaderSize + h.pageSize);
  for (uint32_t i = 0; i < h.records; ++i) {
    uint64_t at = kHeaderSize + uint64_t(i) * record.size();
    if (at + record.size() > size) break;
    LF_RETURN_IF_ERROR(journal.readAt(at, record));
    uint32_t page = format::u32le(record, 0);
    std::span<const uint8_t> bytes(record.data() + kRecordHeaderSize, h.pageSize);
    if (format::u64le(record, 4) != checksum(h.nonce, page, bytes)) break;  // torn before the commit began
    LF_RETURN_IF_ERROR(db.writeAt(uint64_t(page) * h.pageSize, bytes));
  }
  LF_ASSIGN_OR_RETURN(uint64_t dbSize, db.size());
  if (dbSize > h.originalSize) LF_RETURN_IF_ERROR(db.truncate(h.originalSize));
  return db.sync();
}

}  // namespace

Journal::Journal(Env& env, std::string databasePath) : env_(env), path_(pathFor(databasePath)) {}

Journal::~Journal() {
  close();
}

Status Journal::openFile() {
  if (file_) return okStatus();
  LF_ASSIGN_OR_RETURN(file_, env_.open(path_, OpenMode::CreateOrOpen));
  // The journal's name must survive a crash before the database is touched.
  return env_.syncFolderOf(path_);
}

Status Journal::begin(uint32_t pageSize, uint64_t originalSize) {
  LF_RETURN_IF_ERROR(openFile());
  pageSize_ = pageSize;
  originalSize_ = originalSize;
  records_ = 0;
  saved_.clear();
  // A fresh nonce keeps records of earlier transactions, left in the file,
  // from passing as this one's.
  if (RAND_bytes(reinterpret_cast<unsigned char*>(&nonce_), sizeof nonce_) != 1) {
    return Error(ErrorKind::Io, "the journal: no random numbers to be had for its nonce");
  }
  return okStatus();
}

Status Journal::save(File& db, const std::vector<uint32_t>& pages) {
  std::vector<uint8_t> record(kRecordHeaderSize + pageSize_);
  uint32_t records = records_;
  for (uint32_t page : pages) {
    if (saved_.count(page)) continue;
    std::span<uint8_t> bytes(record.data() + kRecordHeaderSize, pageSize_);
    LF_RETURN_IF_ERROR(db.readAt(uint64_t(page) * pageSize_, bytes));
    format::put32le(record.data(), page);
    put64(record.data() + 4, checksum(nonce_, page, bytes));
    LF_RETURN_IF_ERROR(file_->writeAt(kHeaderSize + uint64_t(records) * record.size(), record));
    ++records;
  }
  std::array<uint8_t, kHeaderSize> header{};
  std::memcpy(header.data(), kMagic, sizeof kMagic);
  format::put32le(&header[8], pageSize_);
  format::put32le(&header[12], records);
  put64(&header[16], originalSize_);
  put64(&header[24], nonce_);
  LF_RETURN_IF_ERROR(file_->writeAt(0, header));
  LF_RETURN_IF_ERROR(file_->sync());
  // Only now may the pages be overwritten.
  records_ = records;
  saved_.insert(pages.begin(), pages.end());
  return okStatus();
}

Status Journal::finish() {
  if (!file_ || !begun()) return okStatus();
  std::array<uint8_t, sizeof kMagic> cleared{};
  LF_RETURN_IF_ERROR(file_->writeAt(0, cleared));
  LF_RETURN_IF_ERROR(file_->sync());
  pageSize_ = 0;
  saved_.clear();
  return okStatus();
}

Status Journal::rollBack(File& db) {
  if (!file_ || !begun()) return okStatus();
  LF_RETURN_IF_ERROR(replay(*file_, Header{pageSize_, records_, originalSize_, nonce_}, db));
  return finish();
}

void Journal::close() {
  if (!file_) return;
  file_.reset();
  // An unfinished journal stays: the next open rolls the database back with it.
  if (!begun()) (void)env_.remove(path_);
}

bool Journal::isUnfinished(Env& env, const std::string& databasePath) {
  std::string path = pathFor(databasePath);
  if (!env.exists(path)) return false;
  auto file = env.open(path, OpenMode::ReadOnly);
  if (!file) return true;  // present but unreadable: assume the worst
  auto header = readHeader(**file);
  return !header || header->pageSize != 0;
}

Result<bool> Journal::recover(Env& env, const std::string& databasePath, File& db) {
  std::string path = pathFor(databasePath);
  if (!env.exists(path)) return false;
  LF_ASSIGN_OR_RETURN(auto journal, env.open(path, OpenMode::ReadWrite));
  LF_ASSIGN_OR_RETURN(Header h, readHeader(*journal));
  bool unfinished = h.pageSize != 0;
  if (unfinished) {
    LF_RETURN_IF_ERROR(replay(*journal, h, db));
    std::array<uint8_t, sizeof kMagic> cleared{};
    LF_RETURN_IF_ERROR(journal->writeAt(0, cleared));
    LF_RETURN_IF_ERROR(journal->sync());
  }
  journal.reset();
  LF_RETURN_IF_ERROR(env.remove(path));
  return unfinished;
}

}  // namespace ledgerfen::page
