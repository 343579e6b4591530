#include "jobs/vesko_worker.h"

namespace korvint::jobs {

SearchWorker::SearchWorker() : thread_([this] { run(); }) {}

SearchWorker::~SearchWorker() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_ = nullptr;
    cancel_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SearchWorker::submit(Job job) {
  {
    const std::lock_guard lock(mutex_);
    waiting_ = std::move(job);
    cancel_ = true;  // the running job, if any, gives way
  }
  wake_.notify_all();
}

void SearchWorker::cancel() {
  const std::lock_guard lock(mutex_);
  waiting_ = nullptr;
  cancel_ = true;
}

bool SearchWorker::busy() const {
  const std::lock_guard lock(mutex_);
  return running_ || waiting_ != nullptr;
}

void SearchWorker::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || waiting_ != nullptr; });
    if (stopping_) return;
    Job job = std::move(waiting_);
    waiting_ = nullptr;
    cancel_ = false;
    running_ = true;
    lock.unlock();
    job(cancel_);
    job = nullptr;  // what the job held goes here, off the lock
    lock.lock();
    running_ = false;
  }
}

}  // namespace korvint::jobs
