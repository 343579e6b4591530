#pragma once
// What both programs' main windows share: their window class, the window
// procedure that hands each message to the window's object, and the
// keyboard handling the message loop asks for before dispatching a message.

#include <windows.h>

#include <string_view>
#include <utility>

#include "ui/control_shape.h"

namespace korvint::hosts::win32 {

class TopLevelWindow {
 public:
  TopLevelWindow(const TopLevelWindow&) = delete;
  TopLevelWindow& operator=(const TopLevelWindow&) = delete;
  virtual ~TopLevelWindow() = default;

  /// The window; nullptr once it has been destroyed, or when it could not be
  /// created (a session without a usable desktop).
  [[nodiscard]] HWND hwnd() const { return hwnd_; }

  /// Why the window could not be created (a system error code; 0 when it was, or when the system did not say).
  [[nodiscard]] DWORD creation_error() const { return creation_error_; }

  /// Handles `msg`, taken from the thread's queue, before it is translated and
  /// dispatched (the window's keys, the dialog keys); true when that dealt
  /// with it in full.
  virtual bool pre_translate(MSG& msg) = 0;

  /// Shows the window: the first time as its starter asked (the show command
  /// it was made with), later as it was.
  void show();

  /// Destroys the window and its controls; later calls do nothing.
  void destroy();

  /// The window of this class that holds `window` (itself or one of its
  /// controls); nullptr when it is in no such window (a menu, a dialog box).
  static TopLevelWindow* holding(HWND window);

 protected:
  /// `show_command` is how the window first appears (SW_...).
  explicit TopLevelWindow(int show_command) : show_command_(show_command) {}

  /// Creates the window, hidden: of the class `class_name` (registered on the
  /// first call, with the arrow pointer, the dialog background and the
  /// application icon), titled `title` (UTF-8), with `style` and a client
  /// area `client_width` by `client_height` pixels. False when it cannot be
  /// created; creation_error() then says why.
  bool create(const wchar_t* class_name, std::string_view title, DWORD style, int client_width, int client_height);

  /// The window first appears as `show_command` (SW_...) instead, unless it was shown already.
  void first_show_as(int show_command) { show_command_ = show_command; }

  /// A message for the window, from WM_NCCREATE until before WM_NCDESTROY.
  virtual LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) = 0;

  /// The window is going (WM_NCDESTROY): what lay in it is gone.
  virtual void on_destroyed() {}

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  DWORD creation_error_ = 0;
  int show_command_;
  bool shown_before_ = false;
};

/// The outer size of a window with `style` whose client area is `client_width` by `client_height` pixels.
SIZE frame_size(DWORD style, int client_width, int client_height);

/// Answers WM_GETMINMAXINFO (`lparam`): the window with `style` is not made
/// smaller than a client area of `client_width` by `client_height` pixels.
void keep_least_client_size(LPARAM lparam, DWORD style, int client_width, int client_height);

/// `wanted` (a window's outer place) kept inside the work area of the monitor
/// nearest to it and at least `least` (the window's outer minimum) where the
/// area allows (ui::clamp_to_area); `wanted` itself when no monitor answers.
ui::PixelRect on_work_area(const ui::PixelRect& wanted, SIZE least);

/// Sizes `window` to `wanted` (its outer size) and centres it on the work
/// area of the monitor nearest to it, no larger than that area less `margin`
/// on every side and at least `least` while the area allows
/// (ui::first_place): its place when it remembers none.
void place_first(HWND window, SIZE wanted, SIZE least, int margin);

/// `window`'s outer place when not maximized (or minimized), and whether it is maximized.
std::pair<ui::PixelRect, bool> normal_place(HWND window);

}  // namespace korvint::hosts::win32
