// make_sample_db OUT: makes the sample database the program offers on its
// first page, through the engine, as a new Access 2000 file. The build runs
// it to put Samples/sample.mdb beside the program.
#include <cstdio>
#include <filesystem>
#include <string>

#include "ledgerfen/database.h"
#include "ledgerfen/value_text.h"
#include "sample_tables.h"

using namespace ledgerfen;

namespace {

Status fill(Database& db, const sample::SampleTable& sample) {
  LF_ASSIGN_OR_RETURN(Table table, db.createTable(sample.spec));
  const TableSchema& schema = table.schema();
  for (const sample::TextRow& textRow : sample.rows) {
    std::vector<Value> values(schema.columns.size());
    for (size_t i = 0; i < sample.columns.size(); ++i) {
      if (!textRow[i]) continue;
      const Column* column = schema.findColumn(sample.columns[i]);
      if (!column) return Error(ErrorKind::InvalidArgument, sample.spec.name + " has no column " + sample.columns[i]);
      auto value = parseValueText(*column, *textRow[i]);
      if (!value) return value.error().withContext(sample.spec.name + "." + column->name);
      values[size_t(schema.positionOfNumber(column->number))] = std::move(*value);
    }
    auto row = table.insertRow(std::move(values));
    if (!row) return row.error().withContext(sample.spec.name);
  }
  return okStatus();
}

Status makeSample(const std::string& path) {
  LF_RETURN_IF_ERROR(Database::create(path, FileFormat::Jet4));
  LF_ASSIGN_OR_RETURN(auto db, Database::open(path, OpenOptions{"", true, nullptr}));
  LF_RETURN_IF_ERROR(db->begin());
  for (const sample::SampleTable& table : sample::sampleTables()) {
    Status s = fill(*db, table);
    if (!s) {
      db->rollback();
      return s;
    }
  }
  return db->commit();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_db OUT\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path out = argv[1];
  const fs::path building = out.string() + ".building";
  std::error_code ignored;
  fs::create_directories(out.parent_path(), ignored);
  fs::remove(building, ignored);
  Status made = makeSample(building.string());
  if (!made) {
    std::fprintf(stderr, "make_sample_db: %s\n", made.error().message().c_str());
    fs::remove(building, ignored);
    return 1;
  }
  std::error_code renamed;
  fs::rename(building, out, renamed);
  if (renamed) {
    std::fprintf(stderr, "make_sample_db: %s: %s\n", out.c_str(), renamed.message().c_str());
    return 1;
  }
  return 0;
}
