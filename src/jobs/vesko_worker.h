#pragma once
// The thread Vesko's window searches on. It runs one job at a time; a new job
// cancels the one running and replaces one still waiting, so the latest
// keystroke's search runs next and the window never waits for a search.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace korvint::jobs {

class SearchWorker {
 public:
  /// A job: runs on the worker thread and should end soon after `cancel` becomes true.
  using Job = std::function<void(const std::atomic<bool>& cancel)>;

  SearchWorker();
  /// Cancels the running job, drops a waiting one and waits for the thread up
  /// to `kStopWait`. A job still running then (held in a call that does not
  /// return, say on a disk that does not answer) is left to end on its own:
  /// it must reach nothing that goes with the worker's owner.
  ~SearchWorker();
  SearchWorker(const SearchWorker&) = delete;
  SearchWorker& operator=(const SearchWorker&) = delete;

  /// How long the destructor waits for a running job.
  static constexpr std::chrono::milliseconds kStopWait{500};

  /// Runs `job` next: the running job is cancelled, a waiting one dropped.
  void submit(Job job);

  /// Cancels the running job and drops a waiting one.
  void cancel();

 private:
  struct State;
  std::shared_ptr<State> state_;  // shared with the thread, which may outlive this object
};

}  // namespace korvint::jobs
