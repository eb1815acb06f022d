// How fast the table editor's grid shows a large table, and how much memory
// it takes: opens TABLE of FILE as the editor does (a connection for
// writing, the record set, the grid in a window of the editor's size),
// paints the first screen, then jumps about (the first jump while the row
// positions are still gathered in the background, the others after), scrolls
// page by page, reads every cell as an export would, sorts by a column
// without an index and by one with an index, and finds a text that only the
// last row holds.
//
//   editor_first_screen FILE TABLE [--first-screen]
//                       [--unindexed COLUMN]... [--indexed COLUMN] [--find-last COLUMN]
//
// With --first-screen it stops after the first screen, for timing the whole
// process from the outside. The sorts default to Quantity and Notes (without
// an index) and Name (with one), the columns of the benchmark table; the
// search looks, in every column, for the whole text of the last row's cell in
// --find-last (default ID).
//
// While background work runs, a timer ticks every 5 ms; the longest time
// between two ticks is how long the window could not answer ("event loop
// blocked at most"). Runs offscreen (QT_QPA_PLATFORM=offscreen) or on a
// screen. Prints times in milliseconds and the resident memory after each
// stage.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

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

// The longest time between two ticks of a 5 ms timer: how long the event
// loop was kept from answering.
class BlockMeter {
 public:
  BlockMeter() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, since_.nsecsElapsed());
      since_.restart();
    });
  }
  void start() {
    longest_ = 0;
    since_.start();
    timer_.start();
  }
  double stopMs() {
    timer_.stop();
    longest_ = std::max(longest_, since_.nsecsElapsed());
    return double(longest_) / 1e6;
  }

 private:
  QTimer timer_;
  QElapsedTimer since_;
  qint64 longest_ = 0;
};

// Runs the event loop until `done` holds.
void waitUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

int columnNamed(const data::RecordSet& records, const std::string& name) {
  for (size_t c = 0; c < records.fields().size(); ++c) {
    if (records.fields()[c].name == name) return int(c);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: editor_first_screen FILE TABLE [--first-screen] [--unindexed COLUMN]... [--indexed COLUMN] "
                 "[--find-last COLUMN]\n");
    return 1;
  }
  bool firstScreenOnly = false;
  std::vector<std::string> unindexed;
  std::string indexed = "Name", findLast = "ID";
  for (int i = 3; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--first-screen") {
      firstScreenOnly = true;
    } else if (option == "--unindexed" && i + 1 < argc) {
      unindexed.push_back(argv[++i]);
    } else if (option == "--indexed" && i + 1 < argc) {
      indexed = argv[++i];
    } else if (option == "--find-last" && i + 1 < argc) {
      findLast = argv[++i];
    } else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 1;
    }
  }
  if (unindexed.empty()) unindexed = {"Quantity", "Notes"};
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
  if (firstScreenOnly) return 0;
  QElapsedTimer sinceOpen = timer;

  // The first jump comes before the positions are gathered, or while they are.
  QScrollBar& bar = *grid.verticalScrollBar();
  // Rows the gathering has not reached yet are shown a moment later: the
  // jump counts until the rows on the screen are there.
  const bool gatheredBeforeJump = grid.views().positionsGathered();
  BlockMeter meter;
  timer.restart();
  meter.start();
  bar.setValue(int(bar.maximum() * 0.5));
  paint(window);
  waitUntil([&] { return grid.gridModel()->cache().isLoaded(grid.rowAt(0)); });
  paint(window);
  const double jumpBlocked = meter.stopMs();
  report(gatheredBeforeJump ? "first jump to 50% and paint" : "first jump to 50%, gathering, and paint", timer);
  std::printf("  event loop blocked at most %.1f ms meanwhile\n", jumpBlocked);

  meter.start();
  waitUntil([&] { return grid.views().positionsGathered(); });
  std::printf("  positions gathered %.1f ms after opening; event loop blocked at most %.1f ms meanwhile\n",
              double(sinceOpen.nsecsElapsed()) / 1e6, meter.stopMs());
  std::printf("  rows %lld (count %s)\n", static_cast<long long>(records->recordCount()),
              records->recordCountIsExact() ? "exact" : "as kept");

  double slowestJump = 0;
  std::mt19937 random(7);
  std::vector<double> points = {1.0, 0.25, 0.75, 0.999, 0.001};
  for (int i = 0; i < 20; ++i) points.push_back(std::uniform_real_distribution<double>(0, 1)(random));
  for (size_t i = 0; i < points.size(); ++i) {
    timer.restart();
    bar.setValue(int(bar.maximum() * points[i]));
    paint(window);
    slowestJump = std::max(slowestJump, double(timer.nsecsElapsed()) / 1e6);
    if (i < 5) {
      char stage[64];
      std::snprintf(stage, sizeof stage, "jump to %5.1f%% and paint", points[i] * 100);
      report(stage, timer);
    }
  }
  std::printf("  %zu jumps, the slowest %.1f ms\n", points.size(), slowestJump);

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

  // Sorting by columns without an index: in the background, then shown.
  for (const std::string& name : unindexed) {
    const int column = columnNamed(*records, name);
    if (column < 0) continue;
    grid.setCurrentIndex(grid.model()->index(0, 0));
    timer.restart();
    meter.start();
    grid.views().setSort(editor::GridViews::Sort{column, data::SortDirection::Ascending});
    waitUntil([&] { return !grid.views().busy(); });
    paint(window);
    const double blocked = meter.stopMs();
    report(("sorted by " + name + " (no index), shown").c_str(), timer);
    std::printf("  event loop blocked at most %.1f ms; first row's %s: %s\n", blocked, name.c_str(),
                grid.model()->index(0, column).data().toString().toStdString().c_str());
  }

  // Sorting by a column with an index: its first rows at once, the rest in the background.
  if (const int column = columnNamed(*records, indexed); column >= 0) {
    grid.views().setSort(editor::GridViews::Sort{});
    waitUntil([&] { return !grid.views().busy(); });
    timer.restart();
    grid.views().setSort(editor::GridViews::Sort{column, data::SortDirection::Ascending});
    paint(window);
    report(("first screen sorted by " + indexed + " (index)").c_str(), timer);
    meter.start();
    waitUntil([&] { return !grid.views().busy(); });
    paint(window);
    const double blocked = meter.stopMs();
    report(("  every row sorted by " + indexed).c_str(), timer);
    std::printf("  event loop blocked at most %.1f ms; first row's %s: %s\n", blocked, indexed.c_str(),
                grid.model()->index(0, column).data().toString().toStdString().c_str());
    grid.views().setSort(editor::GridViews::Sort{});
    waitUntil([&] { return !grid.views().busy(); });
  }

  // Finding the text of the last row's cell, from the first row.
  if (const int column = columnNamed(*records, findLast); column >= 0) {
    const int last = grid.gridModel()->recordRows() - 1;
    const QString text = grid.model()->index(last, column).data().toString();
    grid.setCurrentIndex(grid.model()->index(0, 0));
    grid.findBar()->textBox()->setText(text);
    grid.findBar()->wholeCellBox()->setChecked(true);
    timer.restart();
    meter.start();
    grid.findNext();
    waitUntil([&] { return !grid.search().busy(); });
    paint(window);
    const double blocked = meter.stopMs();
    report(("found \"" + text.toStdString() + "\" in every column").c_str(), timer);
    std::printf("  at row %d of %d, column %d; event loop blocked at most %.1f ms\n", grid.currentIndex().row() + 1,
                last + 1, grid.currentIndex().column() + 1, blocked);
  }
  return 0;
}
