#include "ui/control_shape.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvint::ui {
namespace {

// Start and length of one axis in pixels.
std::pair<int, int> place(Anchor anchor, int start, int length, int end_margin, int client, int dpi, double scale) {
  auto pixels = [&](int twips) { return scaled_pixels(twips, dpi, scale); };
  switch (anchor) {
    case Anchor::Start: return {pixels(start), pixels(length)};
    case Anchor::Stretch: {
      const int from = pixels(start);
      return {from, std::max(0, client - pixels(end_margin) - from)};
    }
    case Anchor::End: {
      const int size = pixels(length);
      return {std::max(0, client - pixels(end_margin) - size), size};
    }
  }
  return {0, 0};
}

}  // namespace

int twips_to_pixels(int twips, int dpi) {
  // 1440 twips make an inch.
  return (twips * dpi + 720) / 1440;
}

int scaled_pixels(int twips, int dpi, double scale) {
  if (scale == 1.0) return twips_to_pixels(twips, dpi);
  return static_cast<int>(std::lround(twips * scale * dpi / 1440.0));
}

PixelRect control_pixel_rect(const ControlShape& shape, int dpi_x, int dpi_y, double scale, int client_width,
                             int client_height) {
  if (shape.kind == ControlKind::Line) {
    auto x = [&](int twips) { return scaled_pixels(twips, dpi_x, scale); };
    auto y = [&](int twips) { return scaled_pixels(twips, dpi_y, scale); };
    // left/top is the start point, width/height the end point; lines are vertical.
    const int top = std::min(y(shape.top), y(shape.height));
    return PixelRect{std::min(x(shape.left), x(shape.width)), top, kLineWidthPixels,
                     std::max(y(shape.top), y(shape.height)) - top};
  }
  const auto [left, width] = place(shape.horizontal, shape.left, shape.width, shape.right, client_width, dpi_x, scale);
  const auto [top, height] = place(shape.vertical, shape.top, shape.height, shape.bottom, client_height, dpi_y, scale);
  return PixelRect{left, top, width, height};
}

int font_pixel_height(double points, int dpi) { return static_cast<int>(std::lround(points * dpi / 72.0)); }

bool takes_mouse_events(const ControlShape& shape) { return shape.kind != ControlKind::Line; }

std::string tooltip_text(const ControlShape& shape, std::string_view caption) {
  return std::string(shape.tooltip_shows_caption ? caption : shape.tooltip);
}

}  // namespace korvint::ui
