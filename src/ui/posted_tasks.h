#pragma once
// Work handed from another thread to the window's thread: the hosts keep the
// tasks here and wake their window once; the window's thread runs them.

#include <deque>
#include <functional>
#include <mutex>

namespace korvint::ui {

class PostedTasks {
 public:
  /// Queues `task`; any thread. True when the queue was empty, so the caller
  /// wakes the window's thread (once for any number of tasks).
  bool push(std::function<void()> task);
  /// Runs the queued tasks, oldest first, on the window's thread. Returns how many ran.
  int run_all();
  /// Drops every queued task.
  void clear();
  [[nodiscard]] bool empty() const;

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace korvint::ui
