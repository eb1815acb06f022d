// export: a table as CSV, tab-separated text or XML, written by the same
// writers over the same cell texts as the program's window, so the bytes are
// the same as the window's export of the table.
#include "cli.h"
#include "commands/commands.h"
#include "ledgerfen/export/table_grid_reader.h"
#include "ledgerfen/export/text_writers.h"

namespace ledgerfen::cli {

int runExport(const Arguments& args, CommandIo io) {
  using exporting::TextFormat;
  const std::string formatName = args.option("format").value_or("");
  TextFormat format;
  if (formatName == "csv") {
    format = TextFormat::Csv;
  } else if (formatName == "txt") {
    format = TextFormat::Txt;
  } else if (formatName == "xml") {
    format = TextFormat::Xml;
  } else {
    io.err << "ledgerfen-db: export needs --format csv, txt or xml\n";
    return kExitUsage;
  }
  auto db = openDatabase(args, io);
  if (!db) return kExitFailed;
  auto table = db->table(args.positional[1]);
  if (!table) return fail(table.error(), io);
  auto grid = exporting::TableGridReader::open(std::move(*table));
  if (!grid) return fail(grid.error(), io);

  const exporting::TextEncoding encoding = exporting::TextEncoding::ofUserLocale();
  Status written = okStatus();
  if (const auto output = args.option("output")) {
    exporting::FileReplacement file(*output);
    written = exporting::writeTable(format, **grid, file, encoding);
  } else {
    exporting::StreamSink standardOutput(io.out);
    written = exporting::writeTable(format, **grid, standardOutput, encoding);
  }
  if (!written) return fail(written.error(), io);
  return kExitOk;
}

}  // namespace ledgerfen::cli
