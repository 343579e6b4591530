#include "jobs/background_release.h"

#include <utility>

namespace korvint::jobs {

BackgroundRelease::~BackgroundRelease() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundRelease::release(std::shared_ptr<const void> what) {
  if (!what) return;
  {
    const std::lock_guard lock(mutex_);
    waiting_.push_back(std::move(what));
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
  }
  wake_.notify_all();
}

void BackgroundRelease::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
    std::vector<std::shared_ptr<const void>> going;
    going.swap(waiting_);
    if (going.empty() && stop_) return;
    lock.unlock();
    going.clear();  // freed here, not under the lock
    lock.lock();
  }
}

}  // namespace korvint::jobs
