// The program side of the Calc window test (calc_window_test.py):
//
//   calc_window_driver export     runs the XLS command on a small table
//                                 against the real LibreOffice Calc
//   calc_window_driver clipboard  prints the desktop clipboard's text
//
// Exits 1 when the command showed a message.
#include <QApplication>
#include <QClipboard>
#include <cstdio>
#include <cstring>

#include "command_fakes.h"
#include "ledgerfen/export/calc_spreadsheet.h"
#include "ledgerfen/export/xls_command.h"
#include "table_grid.h"

using namespace ledgerfen;

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "clipboard") == 0) {
    QApplication application(argc, argv);
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    std::fwrite(text.data(), 1, size_t(text.size()), stdout);
    return 0;
  }
  test::TableGrid grid(test::TableData{{"ID", "Name"}, {{"1", "Ada Lovelace"}, {"2", "Ωμέγα"}}});
  test::FakePointer pointer;
  test::RecordedMessageBoxes boxes;
  shell::MessageService messages(boxes);
  shell::ErrorReporter errors(messages);
  exporting::NoProgress progress;
  exporting::CalcSpreadsheet calc;
  exporting::XlsCommand command(grid, calc, pointer, progress, messages, errors);
  command.run();
  for (const std::string& text : boxes.texts()) std::fprintf(stderr, "%s\n", text.c_str());
  return boxes.shown.empty() ? 0 : 1;
}
