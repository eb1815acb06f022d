// Times the XLS export of a table: the editor's command, reading the table
// as the grid shows it, building the workbook in this process and handing
// it to the office program.
//
//   xls_export_bench DATABASE TABLE [OFFICE_PROGRAM]
//
// OFFICE_PROGRAM defaults to "true", which takes the workbook and ends at
// once, so only the program's own work is timed; give "soffice" (under a
// desktop or xvfb-run) to have Calc open the result.
#include <chrono>
#include <cstdio>

#include "ledgerfen/database.h"
#include "ledgerfen/export/calc_spreadsheet.h"
#include "ledgerfen/export/table_grid_reader.h"
#include "ledgerfen/export/xls_command.h"

using namespace ledgerfen;

namespace {

class PrintedMessages final : public shell::MessageBoxes {
 public:
  shell::MessageAnswer show(const shell::MessageRequest& request) override {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return shell::MessageAnswer::Ok;
  }
};

class NoPointer final : public exporting::PointerSetting {
 public:
  int mousePointer() const override { return pointer_; }
  void setMousePointer(int pointer) override { pointer_ = pointer; }

 private:
  int pointer_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: xls_export_bench DATABASE TABLE [OFFICE_PROGRAM]\n");
    return 1;
  }
  auto db = Database::open(argv[1]);
  if (!db) return std::fprintf(stderr, "%s\n", db.error().message().c_str()), 2;
  auto table = (*db)->table(argv[2]);
  if (!table) return std::fprintf(stderr, "%s\n", table.error().message().c_str()), 2;
  auto grid = exporting::TableGridReader::open(std::move(*table));
  if (!grid) return std::fprintf(stderr, "%s\n", grid.error().message().c_str()), 2;

  exporting::CalcSpreadsheet calc(exporting::CalcSettings{argc > 3 ? argv[3] : "true", ""});
  PrintedMessages boxes;
  shell::MessageService messages(boxes);
  shell::ErrorReporter errors(messages);
  exporting::NoProgress progress;
  NoPointer pointer;
  exporting::XlsCommand command(**grid, calc, pointer, progress, messages, errors);

  const auto start = std::chrono::steady_clock::now();
  command.run();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld rows x %d columns: workbook built and handed over in %.2f s\n",
              static_cast<long long>((*grid)->rowCount()), (*grid)->columnCount(), seconds);
  return 0;
}
