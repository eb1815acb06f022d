#include "ledgerfen/editor/background_task.h"

#include <QMetaObject>

namespace ledgerfen::editor {

data::WorkControl BackgroundTask::control(std::stop_token stop, const Post& post, std::function<void(double)> shown) {
  return data::WorkControl{std::move(stop), [post, shown = std::move(shown), reported = -1.0](double done) mutable {
                             if (done - reported < 0.01) return;
                             reported = done;
                             post([shown, done] { shown(done); });
                           }};
}

void BackgroundTask::start(Work work) {
  stop();
  const uint64_t serial = ++serial_;
  running_ = true;
  Post post = [this, serial](std::function<void()> call) {
    QMetaObject::invokeMethod(
        this,
        [this, serial, call = std::move(call)] {
          if (serial == serial_) call();
        },
        Qt::QueuedConnection);
  };
  thread_ = std::jthread([work = std::move(work), post = std::move(post)](std::stop_token stop) { work(stop, post); });
}

void BackgroundTask::stop() {
  ++serial_;  // calls handed back before now no longer run
  running_ = false;
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
}

}  // namespace ledgerfen::editor
