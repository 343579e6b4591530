#pragma once
// Watches Vesko's catalogue folders on a thread of its own with
// FindFirstChangeNotificationW: a file added, removed, renamed or written in
// one of them is posted to the window as one message once the changes settle.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace korvint::hosts::win32 {

class FolderWatch {
 public:
  /// Posts `message` to `window` after changes in any of `folders` (UTF-8).
  FolderWatch(HWND window, UINT message, const std::vector<std::string>& folders);
  /// Stops the thread and waits for it.
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace korvint::hosts::win32
