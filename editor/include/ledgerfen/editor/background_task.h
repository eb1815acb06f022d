// One piece of the grid's background work at a time, on a thread of its
// own: the work runs there and hands what it finds back to the UI thread,
// where it runs as a queued call. Starting new work, or stopping, asks the
// work under way to stop, waits for it (it stops between pieces of a few
// milliseconds), and drops whatever it handed back but has not run yet, so
// nothing stale reaches the window. Destroying the task stops it too.
#pragma once

#include <QObject>
#include <functional>
#include <stop_token>
#include <thread>

#include "ledgerfen/data/row_order.h"

namespace ledgerfen::editor {

class BackgroundTask final : public QObject {
  Q_OBJECT

 public:
  // Runs `call` on the UI thread, unless the work was stopped or replaced.
  using Post = std::function<void(std::function<void()> call)>;
  using Work = std::function<void(std::stop_token stop, const Post& post)>;

  // The control of work on this task's thread: `stop`, and its progress
  // (0 to 1) posted to `shown` on the UI thread at every whole percent.
  static data::WorkControl control(std::stop_token stop, const Post& post, std::function<void(double)> shown);

  explicit BackgroundTask(QObject* parent = nullptr) : QObject(parent) {}
  ~BackgroundTask() override { stop(); }

  void start(Work work);
  void stop();
  // Whether work was started and has not said it is done (finish()).
  bool running() const { return running_; }
  // Called (on the UI thread) by the work's last post: the work is done.
  void finish() { running_ = false; }

 private:
  std::jthread thread_;
  uint64_t serial_ = 0;
  bool running_ = false;
};

}  // namespace ledgerfen::editor
