#include "ui/control_shape.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace korvint::ui {
namespace {

// Twips become the nearest pixel at any resolution, and a scaled layout is the
// layout drawn that much larger.
TEST(ControlShape, TwipsBecomeTheNearestPixel) {
  for (const int dpi : {72, 96, 120, 144, 192}) {
    for (int twips = 0; twips <= 20000; ++twips) {
      const int pixels = twips_to_pixels(twips, dpi);
      ASSERT_LE(std::abs(pixels * 1440 - twips * dpi), 720) << twips << " twips at " << dpi << " dpi";
      ASSERT_EQ(scaled_pixels(twips, dpi, 1.0), pixels);
      ASSERT_EQ(scaled_pixels(twips, dpi, 2.0), twips_to_pixels(2 * twips, dpi));
    }
  }
}

// A box 1500 by 300 twips, 120 twips from the edges it is anchored to.
ControlShape box(Anchor horizontal, Anchor vertical) {
  return ControlShape{.name = "box", .kind = ControlKind::TextBox, .left = 120, .top = 240, .width = 1500,
                      .height = 300, .horizontal = horizontal, .vertical = vertical, .right = 120, .bottom = 120};
}

TEST(ControlShape, PlacesFollowTheirAnchorsTheResolutionAndTheScale) {
  const ControlShape line{.name = "line", .kind = ControlKind::Line, .left = 3960, .top = 120, .width = 3960, .height = 3000};
  ControlShape upwards = line;
  std::swap(upwards.top, upwards.height);
  struct Case {
    std::string what;
    ControlShape shape;
    int dpi;
    double scale;
    int client_width, client_height;
    PixelRect expected;
  };
  const Case cases[] = {
      {"fixed", box(Anchor::Start, Anchor::Start), 96, 1.0, 0, 0, {8, 16, 100, 20}},
      {"fixed, any client", box(Anchor::Start, Anchor::Start), 96, 1.0, 50, 50, {8, 16, 100, 20}},
      {"fixed at 144 dpi", box(Anchor::Start, Anchor::Start), 144, 1.0, 0, 0, {12, 24, 150, 30}},
      {"fixed, scaled", box(Anchor::Start, Anchor::Start), 96, 1.5, 0, 0, {12, 24, 150, 30}},
      {"stretched", box(Anchor::Stretch, Anchor::Stretch), 96, 1.0, 400, 300, {8, 16, 384, 276}},
      {"stretched in too small a client", box(Anchor::Stretch, Anchor::Stretch), 96, 1.0, 10, 10, {8, 16, 0, 0}},
      {"at the far edges", box(Anchor::End, Anchor::End), 96, 1.0, 400, 300, {292, 272, 100, 20}},
      {"at the far edges of too small a client", box(Anchor::End, Anchor::End), 96, 1.0, 50, 10, {0, 0, 100, 20}},
      {"at the far edges at 144 dpi", box(Anchor::End, Anchor::Start), 144, 1.0, 600, 0, {438, 24, 150, 30}},
      {"a line", line, 96, 1.0, 0, 0, {264, 8, kLineWidthPixels, 192}},
      {"a line drawn upwards", upwards, 96, 1.0, 0, 0, {264, 8, kLineWidthPixels, 192}},
      {"a line, scaled", line, 96, 1.5, 0, 0, {396, 12, kLineWidthPixels, 288}},
  };
  for (const Case& c : cases) {
    const PixelRect at = control_pixel_rect(c.shape, c.dpi, c.dpi, c.scale, c.client_width, c.client_height);
    EXPECT_EQ(at, c.expected) << c.what << ": " << at.left << "," << at.top << " " << at.width << "x" << at.height;
  }
}

TEST(ControlShape, AStatusLabelsTooltipIsItsWholeCaption) {
  ControlShape shape{.name = "button", .kind = ControlKind::CommandButton, .tooltip = "Does it"};
  EXPECT_EQ(tooltip_text(shape, "Go"), "Does it");
  shape.tooltip = "";
  EXPECT_EQ(tooltip_text(shape, "Go"), "");
  shape.tooltip_shows_caption = true;
  EXPECT_EQ(tooltip_text(shape, "Cannot create \"x\": denied"), "Cannot create \"x\": denied");
}

}  // namespace
}  // namespace korvint::ui
