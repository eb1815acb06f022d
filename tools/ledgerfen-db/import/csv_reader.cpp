#include "import/csv_reader.h"

#include <csv.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace ledgerfen::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Blanks and tabs belong to the field: libcsv trims them unless told that
// no character is a blank.
int noBlanks(unsigned char) {
  return 0;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > s.size()) return false;
    uint32_t cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

bool isBlankLine(std::string_view chunk) {
  return chunk.find_first_not_of("\r\n") == std::string_view::npos;
}

}  // namespace

CsvReader::CsvReader(std::unique_ptr<std::istream> in) : in_(std::move(in)), parser_(std::make_unique<csv_parser>()) {
  csv_init(parser_.get(), CSV_STRICT | CSV_STRICT_FINI);
  csv_set_space_func(parser_.get(), noBlanks);
}

CsvReader::~CsvReader() {
  csv_free(parser_.get());
}

Result<std::unique_ptr<std::istream>> CsvReader::openStream(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) return Error(ErrorKind::InvalidArgument, "a folder, not a file");
  auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!file->is_open()) {
    int error = errno;
    return Error(error == ENOENT ? ErrorKind::NotFound : ErrorKind::Io,
                 error == ENOENT ? std::string("no such file") : std::strerror(error));
  }
  return std::unique_ptr<std::istream>(std::move(file));
}

Result<std::unique_ptr<CsvReader>> CsvReader::open(const std::string& path) {
  LF_ASSIGN_OR_RETURN(auto stream, openStream(path));
  return std::make_unique<CsvReader>(std::move(stream));
}

void CsvReader::onField(void* data, size_t size, void* self) {
  auto& reader = *static_cast<CsvReader*>(self);
  std::string_view text(static_cast<const char*>(data), data ? size : 0);
  if (!isUtf8(text) && reader.fieldError_.empty()) {
    reader.fieldError_ =
        "field " + std::to_string(reader.fields_.size() + 1) + " is not UTF-8 text (save the file as UTF-8)";
  }
  reader.fields_.emplace_back(text);
}

void CsvReader::onRecord(int, void* self) {
  auto& reader = *static_cast<CsvReader*>(self);
  reader.ready_.push_back(CsvRecord{reader.recordStart_, std::move(reader.fields_)});
  reader.fields_.clear();
  reader.betweenRecords_ = true;
}

Error CsvReader::errorOnLine(uint64_t line, const std::string& what) const {
  return Error(ErrorKind::InvalidArgument, "line " + std::to_string(line) + ": " + what);
}

// Feeds one line, with its line break, to the parser; at the end of the
// text, finishes the last record.
Status CsvReader::feedLine() {
  std::string chunk;
  if (!std::getline(*in_, chunk)) {
    if (in_->bad()) return Error(ErrorKind::Io, "line " + std::to_string(line_ + 1) + " cannot be read");
    finished_ = true;
    if (csv_fini(parser_.get(), onField, onRecord, this) != 0) {
      return errorOnLine(recordStart_, "a quoted field opened here is never closed");
    }
    if (!fieldError_.empty()) return errorOnLine(recordStart_, fieldError_);
    return okStatus();
  }
  ++line_;
  if (!in_->eof()) chunk.push_back('\n');
  if (line_ == 1 && chunk.starts_with(kByteOrderMark)) chunk.erase(0, kByteOrderMark.size());
  // A line that begins while no record is open begins the next record; a
  // blank one is skipped by the parser and begins nothing.
  if (betweenRecords_ && !isBlankLine(chunk)) {
    recordStart_ = line_;
    betweenRecords_ = false;
  }
  size_t parsed = csv_parse(parser_.get(), chunk.data(), chunk.size(), onField, onRecord, this);
  if (parsed != chunk.size()) {
    if (csv_error(parser_.get()) == CSV_EPARSE) {
      return errorOnLine(line_,
                         "a quote stands where it cannot: a field with quotes in it must be quoted "
                         "as a whole, and its quotes written twice");
    }
    return errorOnLine(line_, csv_strerror(csv_error(parser_.get())));
  }
  if (!fieldError_.empty()) return errorOnLine(recordStart_, fieldError_);
  return okStatus();
}

Result<bool> CsvReader::next(CsvRecord& record) {
  while (ready_.empty() && !finished_) LF_RETURN_IF_ERROR(feedLine());
  if (ready_.empty()) return false;
  record = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

}  // namespace ledgerfen::cli
