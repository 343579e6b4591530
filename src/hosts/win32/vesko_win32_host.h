#pragma once
// What only the toolkit can do for Vesko's handlers, over Win32: work posted
// from the worker arrives as a window message, the folder dialog, the
// clipboard, the results' menu, message boxes, the focus, and the watch on
// the catalogue folders.

#include <windows.h>

#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "hosts/win32/message_box.h"
#include "hosts/win32/text_window.h"
#include "hosts/win32/vesko_folder_watch.h"
#include "hosts/win32/vesko_form_window.h"
#include "hosts/win32/vesko_browse_window.h"
#include "hosts/win32/vesko_view_window.h"
#include "ui/vesko_host.h"
#include "ui/window_memory.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

class VeskoWin32Host final : public VeskoHost {
 public:
  /// `window` must outlive the host.
  explicit VeskoWin32Host(VeskoFormWindow& window) : window_(window) {}

  void post(std::function<void()> task) override { window_.post(std::move(task)); }
  void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override {
    window_.post_after(delay, std::move(task));
  }
  void dropPosted() override { window_.drop_posted(); }
  void showWindow() override { window_.show(); }
  void closeWindow() override { PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0); }
  std::string BrowseFolder(std::string_view start) override;
  void setClipboardText(std::string_view text) override;
  std::string SaveExportFile(std::string_view suggested) override;
  std::optional<ResultMenuItem> popupResultMenu() override;
  std::optional<std::size_t> popupMenu(const std::vector<std::string>& items) override;
  ViewWindow& viewWindow(ViewEvents& events) override;
  BrowseWindow& browseWindow(BrowseEvents& events) override;
  /// Destroys the view window, before the handlers of its events go.
  void closeViews() {
    view_.reset();
    browse_.reset();
  }
  /// The view window; nullptr before it was first asked for.
  [[nodiscard]] VeskoViewWindow* view() const { return view_.get(); }
  /// The view window's place and whether it is maximized: its own once it
  /// was made, else the one remembered.
  [[nodiscard]] std::pair<std::optional<PixelRect>, bool> viewPlace() const;
  /// Where the view window opens when it is first made (the place it was left in).
  void rememberViewPlace(std::optional<PixelRect> rect, bool maximized) {
    view_rect_ = rect;
    view_maximized_ = maximized;
  }
  [[nodiscard]] VeskoBrowseWindow* browse() const { return browse_.get(); }
  /// Where the browse window opens when it is first made: its place,
  /// splitter and columns as `memory` (the main window's) remembers them.
  void rememberBrowse(const VeskoWindowMemory& memory) { browse_memory_ = memory; }
  /// Writes the browse window's place, splitter and columns into `memory`:
  /// its own once it was made, else the ones remembered.
  void browsePlace(VeskoWindowMemory& memory) const;
  void messageBox(std::string_view text) override { show_message_box(window_.hwnd(), text, kVeskoTitle); }
  void showText(std::string_view title, std::string_view text) override {
    show_text_window(window_.hwnd(), title, text, window_.dpi());
  }
  void focusControl(VeskoControlId id) override;
  void watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>& files) override;

 private:
  VeskoFormWindow& window_;
  std::unique_ptr<FolderWatch> watch_;
  std::unique_ptr<VeskoViewWindow> view_;
  std::optional<PixelRect> view_rect_;  ///< remembered, for the view window when it is made
  bool view_maximized_ = false;
  std::unique_ptr<VeskoBrowseWindow> browse_;
  VeskoWindowMemory browse_memory_;  ///< remembered, for the browse window when it is made
};

}  // namespace korvint::hosts::win32
