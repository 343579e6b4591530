#include "jobs/vesko_worker.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace korvint::jobs {

struct SearchWorker::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended;
  Job waiting;
  bool stopping = false;
  bool finished = false;  // the thread has left its loop
  std::atomic<bool> cancel{false};

  void run() {
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return stopping || waiting != nullptr; });
      if (stopping) break;
      Job job = std::move(waiting);
      waiting = nullptr;
      cancel = false;
      lock.unlock();
      job(cancel);
      job = nullptr;  // what the job held goes here, off the lock
      lock.lock();
    }
    finished = true;
    ended.notify_all();
  }
};

SearchWorker::SearchWorker() : state_(std::make_shared<State>()) {
  std::thread([state = state_] { state->run(); }).detach();
}

SearchWorker::~SearchWorker() {
  std::unique_lock lock(state_->mutex);
  state_->stopping = true;
  state_->waiting = nullptr;
  state_->cancel = true;
  state_->wake.notify_all();
  // The thread holds its own share of the state: if it does not end in time,
  // it ends later without this object.
  state_->ended.wait_for(lock, kStopWait, [this] { return state_->finished; });
}

void SearchWorker::submit(Job job) {
  {
    const std::lock_guard lock(state_->mutex);
    state_->waiting = std::move(job);
    state_->cancel = true;  // the running job, if any, gives way
  }
  state_->wake.notify_all();
}

void SearchWorker::cancel() {
  const std::lock_guard lock(state_->mutex);
  state_->waiting = nullptr;
  state_->cancel = true;
}

}  // namespace korvint::jobs
