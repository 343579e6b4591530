#pragma once
// The thread Vesko's window searches on. It runs one job at a time; a new job
// cancels the one running and replaces one still waiting, so the latest
// keystroke's search runs next and the window never waits for a search.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvint::jobs {

class SearchWorker {
 public:
  /// A job: runs on the worker thread and should end soon after `cancel` becomes true.
  using Job = std::function<void(const std::atomic<bool>& cancel)>;

  SearchWorker();
  /// Cancels the running job, drops a waiting one and waits for the thread.
  ~SearchWorker();
  SearchWorker(const SearchWorker&) = delete;
  SearchWorker& operator=(const SearchWorker&) = delete;

  /// Runs `job` next: the running job is cancelled, a waiting one dropped.
  void submit(Job job);

  /// Cancels the running job and drops a waiting one.
  void cancel();

  /// True while a job runs or waits.
  [[nodiscard]] bool busy() const;

 private:
  void run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  Job waiting_;
  bool running_ = false;
  bool stopping_ = false;
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

}  // namespace korvint::jobs
