// How fast the table editor's grid shows a large table, and how much memory
// it takes: opens TABLE of FILE as the editor does (a connection for
// writing, the record set, the grid in a window of the editor's size),
// paints the first screen, then jumps about and scrolls page by page, and
// reads every cell as an export would.
//
//   editor_first_screen FILE TABLE [--first-screen]
//
// With --first-screen it stops after the first screen, for timing the whole
// process from the outside.
//
// Runs offscreen (QT_QPA_PLATFORM=offscreen) or on a screen. Prints times in
// milliseconds and the resident memory after each stage.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScrollBar>
#include <cstdio>
#include <fstream>
#include <string>

#include "ledgerfen/data/connection.h"
#include "ledgerfen/data/record_set.h"
#include "ledgerfen/editor/data_grid.h"

using namespace ledgerfen;

namespace {

// Message boxes of the benchmark: printed, answered OK.
struct PrintedMessages final : shell::MessageBoxes {
  shell::MessageAnswer show(const shell::MessageRequest& request) override {
    std::fprintf(stderr, "message: %s\n", request.text.c_str());
    return shell::MessageAnswer::Ok;
  }
};

// VmRSS and VmHWM of this process, in MiB.
std::string memory() {
  std::ifstream status("/proc/self/status");
  std::string line, out;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0 || line.rfind("VmHWM:", 0) == 0) {
      long kib = std::stol(line.substr(6));
      out += line.substr(0, 5) + " " + std::to_string(kib / 1024) + " MiB  ";
    }
  }
  return out;
}

void report(const char* stage, const QElapsedTimer& timer) {
  std::printf("%-36s %9.1f ms   %s\n", stage, double(timer.nsecsElapsed()) / 1e6, memory().c_str());
  std::fflush(stdout);
}

// Paints the window as a screen would show it (also offscreen).
void paint(QWidget& window) {
  (void)window.grab();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: editor_first_screen FILE TABLE\n");
    return 1;
  }
  std::printf("%-36s %12s   %s\n", "started", "", memory().c_str());
  PrintedMessages boxes;
  shell::MessageService messages(boxes);

  QElapsedTimer timer;
  timer.start();
  auto connection = std::make_shared<data::Connection>();
  connection->setMode(data::ConnectMode::ReadWrite);
  if (Status s = connection->open(data::buildConnectionString(argv[1], "")); !s) {
    std::fprintf(stderr, "%s\n", s.error().message().c_str());
    return 2;
  }
  auto records = std::make_shared<data::RecordSet>();
  if (Status s = records->open(data::sourceForTable(argv[2]), connection); !s) {
    std::fprintf(stderr, "%s\n", s.error().message().c_str());
    return 2;
  }
  connection.reset();

  QWidget window;
  window.resize(968, 502);
  editor::DataGrid grid(messages, &window);
  grid.setGeometry(8, 24, 952, 435);
  grid.setDataSource(records);
  window.show();
  paint(window);
  report("first screen", timer);
  std::printf("  rows %lld (count %s), rows per screen %d\n", static_cast<long long>(records->recordCount()),
              records->recordCountIsExact() ? "exact" : "as kept", grid.verticalScrollBar()->pageStep());
  if (argc > 3 && std::string(argv[3]) == "--first-screen") return 0;

  QScrollBar& bar = *grid.verticalScrollBar();
  for (double at : {0.5, 1.0, 0.25, 0.75}) {
    timer.restart();
    bar.setValue(int(bar.maximum() * at));
    paint(window);
    char stage[64];
    std::snprintf(stage, sizeof stage, "jump to %3.0f%% and paint", at * 100);
    report(stage, timer);
  }

  timer.restart();
  bar.setValue(0);
  const int pages = 2000;
  for (int page = 0; page < pages; ++page) {
    bar.setValue(bar.value() + bar.pageStep());
    paint(window);
  }
  report("2000 pages down, each painted", timer);
  std::printf("  %.3f ms a page\n", double(timer.nsecsElapsed()) / 1e6 / pages);

  timer.restart();
  const int64_t rows = grid.rowCount();
  report("exact row count", timer);

  timer.restart();
  size_t characters = 0;
  for (int64_t row = 1; row <= rows; ++row) {
    if (!grid.goToRow(row)) return 3;
    for (int column = 0; column < grid.columnCount(); ++column) characters += grid.cellText(column)->size();
  }
  report("every cell through the grid reader", timer);
  std::printf("  %lld rows, %zu characters; rows held by the grid: %lld\n", static_cast<long long>(rows), characters,
              static_cast<long long>(grid.gridModel()->cache().loadedRows()));
  return 0;
}
