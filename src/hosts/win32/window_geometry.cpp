#include "hosts/win32/window_geometry.h"

#include <cmath>

namespace korvint::ui::win32 {
namespace {

// The drawn width of the window's one line.
constexpr int kLineWidthPixels = 2;

}  // namespace

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

PixelRect control_pixel_rect(const ControlSpec& shape, ScreenDpi dpi) {
  if (shape.kind == ControlKind::Line) {
    // left/top is the start point, width/height the end point.
    const int x1 = twips_to_pixels(shape.left, dpi.x);
    const int y1 = twips_to_pixels(shape.top, dpi.y);
    const int y2 = twips_to_pixels(shape.height, dpi.y);
    return PixelRect{x1, y1, kLineWidthPixels, y2 - y1};
  }
  return PixelRect{twips_to_pixels(shape.left, dpi.x), twips_to_pixels(shape.top, dpi.y),
                   twips_to_pixels(shape.width, dpi.x), twips_to_pixels(shape.height, dpi.y)};
}

SIZE client_pixel_size(ScreenDpi dpi) {
  return SIZE{twips_to_pixels(kClientWidthTwips, dpi.x), twips_to_pixels(kClientHeightTwips, dpi.y)};
}

int font_pixel_height(double points, ScreenDpi dpi) {
  // 72 points make an inch.
  return -static_cast<int>(std::lround(points * dpi.y / 72.0));
}

}  // namespace korvint::ui::win32
