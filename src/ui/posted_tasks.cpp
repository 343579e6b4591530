#include "ui/posted_tasks.h"

namespace korvint::ui {

bool PostedTasks::push(std::function<void()> task) {
  const std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  return tasks_.size() == 1;
}

int PostedTasks::run_all() {
  std::deque<std::function<void()>> now;
  {
    const std::lock_guard lock(mutex_);
    now.swap(tasks_);
  }
  // Run outside the lock: a task may post again.
  for (auto& task : now) task();
  return static_cast<int>(now.size());
}

void PostedTasks::clear() {
  std::deque<std::function<void()>> dropped;
  const std::lock_guard lock(mutex_);
  dropped.swap(tasks_);
}

bool PostedTasks::empty() const {
  const std::lock_guard lock(mutex_);
  return tasks_.empty();
}

}  // namespace korvint::ui
