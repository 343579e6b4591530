#pragma once
// Lets go of large things on a thread of its own: the last reference to tens
// of millions of results takes a tenth of a second and more to free, which
// the window's thread must not spend between two turns of its event loop.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korvint::jobs {

class BackgroundRelease {
 public:
  BackgroundRelease() = default;
  /// Lets go of what is still waiting, then ends the thread.
  ~BackgroundRelease();
  BackgroundRelease(const BackgroundRelease&) = delete;
  BackgroundRelease& operator=(const BackgroundRelease&) = delete;

  /// Drops this reference to `what` on the thread (started on first use).
  void release(std::shared_ptr<const void> what);

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::shared_ptr<const void>> waiting_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace korvint::jobs
