#pragma once
// One control as a window's layout table describes it, for both programs'
// windows: kind, caption, place in twips and how it follows a resized window,
// tab index, font, tooltip; and what every host derives from it the same way:
// its place in pixels, whether it takes the mouse, its tooltip.

#include <optional>
#include <string>
#include <string_view>

namespace korvint::ui {

/// Twips per pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;

enum class ControlKind { CommandButton, TextBox, ListBox, DriveListBox, Label, Line, Table };

/// How an edge pair follows the window: both edges fixed to the start (left or
/// top), the far edge following the window (stretch), or both following it.
enum class Anchor { Start, Stretch, End };

/// A font of its own (the others use the window's default font).
struct ControlFont {
  std::string_view face;
  double points;
  int weight;
};

/// One control as a window creates it. Left and top are twips from the client
/// area's left and top. For a control anchored at the end or stretched,
/// `right`/`bottom` are twips from the client area's right/bottom edge. For a
/// line, left/top are its start point and width/height its end point.
struct ControlShape {
  std::string_view name;
  ControlKind kind;
  std::string_view caption = {};
  int left = 0;
  int top = 0;
  int width = 0;   ///< used when anchored at the start or the end
  int height = 0;  ///< used when anchored at the start or the end
  int tab_index = -1;  ///< -1: takes no place in the tab order
  bool shown = true;   ///< false for the hidden text boxes
  std::optional<ControlFont> font = {};
  std::string_view tooltip = {};
  /// True for the status labels: their tooltip shows their whole current
  /// caption, since a message is often longer than the label is wide.
  bool tooltip_shows_caption = false;
  Anchor horizontal = Anchor::Start;
  Anchor vertical = Anchor::Start;
  int right = 0;   ///< margin to the right edge when stretched or anchored at the end
  int bottom = 0;  ///< margin to the bottom edge when stretched or anchored at the end
};

/// A control of the window whose controls `Id` names.
template <class Id>
struct ControlShapeOf : ControlShape {
  Id id;
};

/// Pixels for `twips` at `dpi` dots per inch, rounded to the nearest pixel.
int twips_to_pixels(int twips, int dpi);

/// Pixels for `twips` at `dpi` with the whole layout scaled by `scale` (1: as drawn).
int scaled_pixels(int twips, int dpi, double scale);

/// A rectangle in pixels: within a window's client area, or on the screen.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

/// The drawn width of a line, in pixels.
constexpr int kLineWidthPixels = 2;

/// Where `shape` lies at `dpi_x` by `dpi_y` dots per inch, the layout scaled by
/// `scale`, in a client area `client_width` by `client_height` pixels (which
/// only a control anchored at the end or stretched follows): each edge
/// converted on its own, never narrower or lower than 0. A line is a rectangle
/// kLineWidthPixels wide from its start point down to its end point.
PixelRect control_pixel_rect(const ControlShape& shape, int dpi_x, int dpi_y, double scale = 1.0,
                             int client_width = 0, int client_height = 0);

/// The height in pixels of a font of `points` at `dpi` (72 points make an inch).
int font_pixel_height(double points, int dpi);

/// False for a control the mouse passes through (the line): a press or release
/// over it is one on the window's own surface.
bool takes_mouse_events(const ControlShape& shape);

/// What the tooltip of `shape` shows while its caption is `caption`: the
/// table's tooltip, or the whole caption for a status label; "" for none.
std::string tooltip_text(const ControlShape& shape, std::string_view caption);

}  // namespace korvint::ui
