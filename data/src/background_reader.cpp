#include "ledgerfen/data/background_reader.h"

namespace ledgerfen::data {

WriteGate::ReadPass::ReadPass(WriteGate& gate) : gate_(gate) {
  std::unique_lock lock(gate_.mutex_);
  gate_.changed_.wait(lock, [&] { return !gate_.writing_ && gate_.writersWaiting_ == 0; });
  ++gate_.readers_;
}

WriteGate::ReadPass::~ReadPass() {
  std::lock_guard lock(gate_.mutex_);
  if (--gate_.readers_ == 0) gate_.changed_.notify_all();
}

WriteGate::WritePass::WritePass(WriteGate& gate) : gate_(gate) {
  std::unique_lock lock(gate_.mutex_);
  ++gate_.writersWaiting_;
  gate_.changed_.wait(lock, [&] { return gate_.readers_ == 0 && !gate_.writing_; });
  --gate_.writersWaiting_;
  gate_.writing_ = true;
  ++gate_.generation_;
}

WriteGate::WritePass::~WritePass() {
  std::lock_guard lock(gate_.mutex_);
  gate_.writing_ = false;
  gate_.changed_.notify_all();
}

uint64_t WriteGate::generation() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

Result<TableReader> TableReader::open(const ReaderSource& source) {
  if (!source.gate) return Error(ErrorKind::InvalidArgument, "a table reader needs the record set's write gate");
  TableReader reader;
  reader.source_ = source;
  // Opening reads the header and the catalogue: not while a write is under way.
  WriteGate::ReadPass pass(*source.gate);
  LF_RETURN_IF_ERROR(reader.openDatabase());
  return reader;
}

Status TableReader::openDatabase() {
  generation_ = source_.gate->generation();
  table_.reset();
  database_.reset();
  OpenOptions options;
  options.password = source_.password;
  options.writable = false;
  LF_ASSIGN_OR_RETURN(database_, Database::open(source_.path, options));
  LF_ASSIGN_OR_RETURN(Table table, database_->table(source_.table));
  table_ = std::move(table);
  return okStatus();
}

Result<bool> TableReader::refresh() {
  if (source_.gate->generation() == generation_) return false;
  LF_RETURN_IF_ERROR(openDatabase());
  return true;
}

}  // namespace ledgerfen::data
