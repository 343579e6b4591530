#include "hosts/win32/vesko_folder_watch.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/win32/win32_path.h"
#include "ui/vesko_host.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

struct FolderWatch::State {
  HWND window = nullptr;
  UINT message = 0;
  HANDLE stop = nullptr;
  std::vector<HANDLE> changes;  // one notification handle a folder
  std::thread thread;

  // Waits for changes until stopped; a burst of them is posted once, when it
  // has been quiet for a moment, or at the latest a while after its start.
  void run() {
    std::vector<HANDLE> waited{stop};
    waited.insert(waited.end(), changes.begin(), changes.end());
    const auto count = static_cast<DWORD>(waited.size());
    for (;;) {
      DWORD signalled = WaitForMultipleObjects(count, waited.data(), FALSE, INFINITE);
      if (signalled == WAIT_OBJECT_0 || signalled == WAIT_FAILED) return;
      const auto latest = std::chrono::steady_clock::now() + kChangesAtLatest;
      for (;;) {
        if (signalled > WAIT_OBJECT_0 && signalled < WAIT_OBJECT_0 + count)
          FindNextChangeNotification(waited[signalled - WAIT_OBJECT_0]);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(latest - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const auto wait = std::min(left, std::chrono::duration_cast<std::chrono::milliseconds>(kChangesSettle));
        signalled = WaitForMultipleObjects(count, waited.data(), FALSE, static_cast<DWORD>(wait.count()));
        if (signalled == WAIT_OBJECT_0 || signalled == WAIT_FAILED) return;
        if (signalled == WAIT_TIMEOUT) break;
      }
      PostMessageW(window, message, 0, 0);
    }
  }
};

FolderWatch::FolderWatch(HWND window, UINT message, const std::vector<std::string>& folders)
    : state_(std::make_unique<State>()) {
  state_->window = window;
  state_->message = message;
  state_->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  constexpr DWORD kWhat = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
  for (const std::string& folder : folders) {
    // WaitForMultipleObjects takes 64 handles, the stop event among them.
    if (state_->changes.size() + 1 >= MAXIMUM_WAIT_OBJECTS) break;
    const HANDLE change =
        FindFirstChangeNotificationW(platform::win32::system_path(folder, true).c_str(), FALSE, kWhat);
    if (change != INVALID_HANDLE_VALUE) state_->changes.push_back(change);
  }
  if (state_->stop != nullptr && !state_->changes.empty()) state_->thread = std::thread([state = state_.get()] { state->run(); });
}

FolderWatch::~FolderWatch() {
  if (state_->stop != nullptr) SetEvent(state_->stop);
  if (state_->thread.joinable()) state_->thread.join();
  for (const HANDLE change : state_->changes) FindCloseChangeNotification(change);
  if (state_->stop != nullptr) CloseHandle(state_->stop);
}

}  // namespace korvint::hosts::win32
