#pragma once
// Driving the Windows window from a test the way the system does: messages to
// its controls, then its own message delivery.

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "support/temp_tree.h"
#include "hosts/win32/win32_form.h"

namespace korvint::test {

/// A window over a temporary folder, loaded as at program start (without arguments).
struct WindowFixture {
  WindowFixture();
  ~WindowFixture();
  WindowFixture(const WindowFixture&) = delete;
  WindowFixture& operator=(const WindowFixture&) = delete;

  /// The child window of a control.
  [[nodiscard]] HWND control(ui::ControlId id) const { return window->window.control(id); }

  /// Delivers the pending messages, as DoEvents does.
  void pump() { window->host.DoEvents(); }

  /// Points the boxes at a scan of `root` into the tree's "out" folder under `name`, by WM_SETTEXT.
  void prepare_scan(const std::filesystem::path& root, std::string_view name);

  /// The catalogue `name` in the "out" folder.
  [[nodiscard]] std::filesystem::path output(std::string_view name) const;

  TempTree tree;
  std::unique_ptr<hosts::win32::Win32Form> window;
};

/// The text of a window or control, through WM_GETTEXT.
std::string text_of(HWND window);

/// Sets the text of a window or control through WM_SETTEXT.
void set_text(HWND window, std::string_view text);

/// Posts a key press, down then up, to `control`.
void post_key(HWND control, UINT virtual_key);

/// Removes the quit message a closed window leaves, so the next window's loops run.
void forget_quit();

/// The rectangle of `control` in its parent's client coordinates.
RECT rect_in_parent(HWND control);

}  // namespace korvint::test
