#include "hosts/win32/delayed_posts.h"

#include <algorithm>
#include <utility>

namespace korvint::hosts::win32 {

DelayedPosts::~DelayedPosts() {
  // Every timer goes with the queue, after any callback under way.
  if (queue_ != nullptr) DeleteTimerQueueEx(queue_, INVALID_HANDLE_VALUE);
}

void CALLBACK DelayedPosts::due(PVOID pending, BOOLEAN) {
  const auto& waiting = *static_cast<const Pending*>(pending);
  PostMessageW(waiting.window, waiting.message, waiting.id, 0);
}

bool DelayedPosts::add(HWND window, std::chrono::milliseconds delay, std::function<void()> task) {
  if (window == nullptr) return false;
  if (queue_ == nullptr) queue_ = CreateTimerQueue();
  if (queue_ == nullptr) return false;
  auto pending = std::make_unique<Pending>(Pending{window, message_, next_id_++, nullptr, std::move(task)});
  const auto milliseconds = static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(delay.count(), 0));
  // Registered before the timer starts: the message may come at once.
  Pending& added = *pending;
  pending_.emplace(added.id, std::move(pending));
  if (CreateTimerQueueTimer(&added.timer, queue_, &DelayedPosts::due, &added, milliseconds, 0,
                            WT_EXECUTEONLYONCE | WT_EXECUTEINTIMERTHREAD) == FALSE) {
    pending_.erase(added.id);
    return false;
  }
  return true;
}

void DelayedPosts::stop(Pending& pending) {
  if (pending.timer != nullptr) DeleteTimerQueueTimer(queue_, pending.timer, INVALID_HANDLE_VALUE);
  pending.timer = nullptr;
}

void DelayedPosts::run(WPARAM id) {
  const auto found = pending_.find(static_cast<UINT_PTR>(id));
  if (found == pending_.end()) return;
  // Once: the entry goes before the task runs, which may add another.
  stop(*found->second);
  const std::function<void()> task = std::move(found->second->task);
  pending_.erase(found);
  task();
}

void DelayedPosts::clear() {
  for (auto& [id, pending] : pending_) stop(*pending);
  pending_.clear();
}

}  // namespace korvint::hosts::win32
