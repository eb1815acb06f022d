// The independent readers that judge what the engine writes: mdb-reader
// (through the oracle harness's oracle-dump) and mdbtools (through
// mdbtools-crosscheck). script/test installs them.
#pragma once

#include <optional>
#include <string>

namespace ledgerfen::test {

struct OracleVerdict {
  bool available = false;  // the oracle is installed
  bool agrees = false;
  std::string detail;  // why not, when it does not
};

// mdb-reader's canonical dump of `path` (or why it failed); nullopt when the
// oracles are not installed.
std::optional<std::string> mdbReaderDump(const std::string& path, const std::string& password);
// mdb-reader's canonical dump of `path` equals `ourDump` byte for byte.
OracleVerdict mdbReaderAgrees(const std::string& path, const std::string& password, const std::string& ourDump);
// mdbtools reads the same tables, row counts and values as mdb-reader.
OracleVerdict mdbtoolsAgrees(const std::string& path, const std::string& password);
// The table's properties as mdbtools' mdb-prop prints them; empty when it is not installed.
std::string mdbtoolsProperties(const std::string& path, const std::string& table);

}  // namespace ledgerfen::test
