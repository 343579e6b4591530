#include "hosts/win32/top_level_window.h"

#include "platform/win32/win32_text.h"
#include "ui/window_memory.h"

namespace korvint::hosts::win32 {
namespace {

void register_window_class(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name, &existing) != FALSE) return;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  RegisterClassExW(&window_class);
}

}  // namespace

SIZE frame_size(DWORD style, int client_width, int client_height) {
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void keep_least_client_size(LPARAM lparam, DWORD style, int client_width, int client_height) {
  const SIZE least = frame_size(style, client_width, client_height);
  reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = POINT{least.cx, least.cy};
}

ui::PixelRect on_work_area(const ui::PixelRect& wanted, SIZE least) {
  const RECT at{wanted.left, wanted.top, wanted.left + wanted.width, wanted.top + wanted.height};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromRect(&at, MONITOR_DEFAULTTONEAREST), &monitor) == FALSE) return wanted;
  const RECT& work = monitor.rcWork;
  return ui::clamp_to_area(wanted, ui::PixelRect{work.left, work.top, work.right - work.left, work.bottom - work.top},
                           least.cx, least.cy);
}

void place_first(HWND window, SIZE wanted, SIZE least, int margin) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (window == nullptr || GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) == FALSE) {
    if (window != nullptr) SetWindowPos(window, nullptr, 0, 0, wanted.cx, wanted.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  const RECT& work = monitor.rcWork;
  const ui::PixelRect placed =
      ui::first_place(wanted.cx, wanted.cy, ui::PixelRect{work.left, work.top, work.right - work.left, work.bottom - work.top},
                      margin, least.cx, least.cy);
  SetWindowPos(window, nullptr, placed.left, placed.top, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::pair<ui::PixelRect, bool> normal_place(HWND window) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (window == nullptr || GetWindowPlacement(window, &placement) == FALSE) return {};
  const RECT& at = placement.rcNormalPosition;
  return {ui::PixelRect{at.left, at.top, at.right - at.left, at.bottom - at.top},
          placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(window) != FALSE};
}

bool TopLevelWindow::create(const wchar_t* class_name, std::string_view title, DWORD style, int client_width,
                            int client_height) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  register_window_class(instance, class_name, &TopLevelWindow::procedure);
  const SIZE size = frame_size(style, client_width, client_height);
  CreateWindowExW(0, class_name, platform::win32::to_wide(title).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  size.cx, size.cy, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr) creation_error_ = GetLastError();
  return hwnd_ != nullptr;
}

void TopLevelWindow::show() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, shown_before_ ? SW_SHOW : show_command_);
  shown_before_ = true;
  UpdateWindow(hwnd_);
}

TopLevelWindow* TopLevelWindow::holding(HWND window) {
  const HWND top = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
  if (top == nullptr || GetWindowLongPtrW(top, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TopLevelWindow::procedure))
    return nullptr;
  return reinterpret_cast<TopLevelWindow*>(GetWindowLongPtrW(top, GWLP_USERDATA));
}

void TopLevelWindow::destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

LRESULT CALLBACK TopLevelWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  TopLevelWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    // The object the window was created for, kept with the window from now on.
    self = static_cast<TopLevelWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<TopLevelWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->on_destroyed();
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->on_message(message, wparam, lparam);
}

}  // namespace korvint::hosts::win32
