// Reads comma-separated values record by record, as RFC 4180 writes them:
// fields separated by commas; a field in double quotes may hold commas,
// line breaks and quotes (written twice); records end with CRLF or LF. The
// text is UTF-8, and a byte order mark at its start is skipped. Blanks are
// part of a field. Blank lines are skipped.
//
// The parsing itself is libcsv's, in its strict mode; this class feeds it
// one line at a time so every record and every error knows its line.
#pragma once

#include <cstdint>
#include <deque>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "ledgerfen/status.h"

struct csv_parser;

namespace ledgerfen::cli {

struct CsvRecord {
  uint64_t line = 0;  // the line it begins on, from 1
  std::vector<std::string> fields;
};

class CsvReader {
 public:
  // Reads `in` (opened in binary mode).
  explicit CsvReader(std::unique_ptr<std::istream> in);
  ~CsvReader();
  CsvReader(const CsvReader&) = delete;
  CsvReader& operator=(const CsvReader&) = delete;

  // Opens the file at `path`; the error says why it cannot be read (without
  // naming it).
  static Result<std::unique_ptr<CsvReader>> open(const std::string& path);
  // The file at `path` as a binary stream, with the errors of open().
  static Result<std::unique_ptr<std::istream>> openStream(const std::string& path);

  // Reads the next record into `record`; false at the end of the text. A
  // stray or unclosed quote, and text that is not UTF-8, are errors that
  // begin with "line N: ".
  Result<bool> next(CsvRecord& record);

 private:
  static void onField(void* data, size_t size, void* self);
  static void onRecord(int terminator, void* self);
  Status feedLine();
  Error errorOnLine(uint64_t line, const std::string& what) const;

  std::unique_ptr<std::istream> in_;
  std::unique_ptr<csv_parser> parser_;
  uint64_t line_ = 0;         // the line being fed
  uint64_t recordStart_ = 0;  // where the record being parsed begins
  bool betweenRecords_ = true;
  bool finished_ = false;
  std::vector<std::string> fields_;  // of the record being parsed
  std::deque<CsvRecord> ready_;
  std::string fieldError_;  // set by onField, reported after the line
};

}  // namespace ledgerfen::cli
