#include "hosts/win32/splitter_drag.h"

#include <windowsx.h>

namespace korvint::hosts::win32 {

int SplitterDrag::along(LPARAM lparam) const {
  return axis_ == Axis::Across ? GET_X_LPARAM(lparam) : GET_Y_LPARAM(lparam);
}

std::optional<LRESULT> SplitterDrag::on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETCURSOR: {
      POINT at{};
      GetCursorPos(&at);
      ScreenToClient(window, &at);
      if (reinterpret_cast<HWND>(wparam) != window || LOWORD(lparam) != HTCLIENT || !hooks_.on_bar(at)) break;
      SetCursor(LoadCursorW(nullptr, axis_ == Axis::Across ? IDC_SIZEWE : IDC_SIZENS));
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      if (!hooks_.on_bar(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)})) break;
      grab_ = along(lparam) - hooks_.edge();
      SetCapture(window);
      return 0;
    case WM_MOUSEMOVE:
      if (!grab_ || GetCapture() != window) break;
      hooks_.moved(along(lparam) - *grab_);
      return 0;
    case WM_LBUTTONUP:
      if (!grab_) break;
      ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
      return 0;
    case WM_CAPTURECHANGED:
      grab_.reset();
      break;
    default: break;
  }
  return std::nullopt;
}

}  // namespace korvint::hosts::win32
