#pragma once
// Tasks run on a window's thread once a delay has passed, delivered as a
// posted message. WM_TIMER would not do: Windows makes it only when no other
// message waits, so a window kept busy by posted rows or by typing would hold
// a "found so far" refresh back for as long as that lasts. A timer-queue
// timer's callback, on the queue's own thread, posts the message instead; the
// window's thread runs the task when the message comes.

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

namespace korvint::hosts::win32 {

class DelayedPosts {
 public:
  /// Tasks delivered as `message` (wparam: the task's id) to their window.
  explicit DelayedPosts(UINT message) : message_(message) {}
  /// Cancels every task not yet run, waiting for a callback under way.
  ~DelayedPosts();
  DelayedPosts(const DelayedPosts&) = delete;
  DelayedPosts& operator=(const DelayedPosts&) = delete;

  /// Runs `task` once `delay` has passed, when `window`'s thread answers the
  /// message (run()); false, the task dropped, when no timer could be made.
  bool add(HWND window, std::chrono::milliseconds delay, std::function<void()> task);
  /// Answers the message: runs the task `id` names once, unless it was cancelled.
  void run(WPARAM id);
  /// Cancels every task not yet run; their messages, if already posted, do nothing.
  void clear();
  /// The tasks waiting to run.
  [[nodiscard]] std::size_t size() const { return pending_.size(); }

 private:
  // What a timer's callback reads: where to post and what. Kept until the
  // timer is deleted, which waits for its callback.
  struct Pending {
    HWND window = nullptr;
    UINT message = 0;
    UINT_PTR id = 0;
    HANDLE timer = nullptr;
    std::function<void()> task;
  };
  static void CALLBACK due(PVOID pending, BOOLEAN);
  // Deletes `pending`'s timer, after its callback if one runs.
  void stop(Pending& pending);

  UINT message_;
  HANDLE queue_ = nullptr;  // made at the first task
  std::map<UINT_PTR, std::unique_ptr<Pending>> pending_;
  UINT_PTR next_id_ = 1;
};

}  // namespace korvint::hosts::win32
