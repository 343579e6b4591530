#include "hosts/win32/window_geometry.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

ScreenDpi screen_dpi() {
  ScreenDpi dpi;
  if (HDC screen = GetDC(nullptr); screen != nullptr) {
    dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

}  // namespace korvint::hosts::win32
