// What Vesko's window remembers, and the rule that never lets a remembered
// place put it off-screen.

#include "ui/window_memory.h"

#include <gtest/gtest.h>

namespace korvint::ui {
namespace {

// A 1920x1040 work area (a task bar below), the window at least 400x318.
TEST(WindowMemory, ARememberedPlaceIsPutBackOnTheScreen) {
  const PixelRect area{0, 0, 1920, 1040};
  struct Case {
    const char* what;
    PixelRect saved;
    PixelRect placed;
  };
  const Case cases[] = {
      {"inside: as it was", {100, 50, 800, 600}, {100, 50, 800, 600}},
      {"off the right edge (a second monitor gone)", {2500, 100, 800, 600}, {1120, 100, 800, 600}},
      {"off the left and the top", {-900, -300, 800, 600}, {0, 0, 800, 600}},
      {"below the task bar", {100, 900, 800, 600}, {100, 440, 800, 600}},
      {"larger than the screen", {-10, -10, 4000, 3000}, {0, 0, 1920, 1040}},
      {"smaller than the window may be", {10, 10, 50, 40}, {10, 10, 400, 318}},
  };
  for (const Case& c : cases) EXPECT_EQ(clamp_to_area(c.saved, area, 400, 318), c.placed) << c.what;
  // A work area that does not start at 0 (a monitor left of the primary one).
  EXPECT_EQ(clamp_to_area({0, 0, 800, 600}, {-1280, 0, 1280, 1024}, 400, 318), (PixelRect{-800, 0, 800, 600}));
  // A screen smaller than the window's minimum: the screen wins.
  EXPECT_EQ(clamp_to_area({0, 0, 800, 600}, {0, 0, 320, 240}, 400, 318), (PixelRect{0, 0, 320, 240}));
}

// A window drawn 1000x640, at least 400x318, a margin of 32 kept on a smaller screen.
TEST(WindowMemory, AFirstStartOpensCentredAndNoLargerThanTheScreen) {
  struct Case {
    const char* what;
    PixelRect area;
    PixelRect placed;
  };
  const Case cases[] = {
      {"a large screen: as drawn, centred", {0, 0, 1920, 1040}, {460, 200, 1000, 640}},
      {"a screen left of the primary one", {-1280, 0, 1280, 1024}, {-1140, 192, 1000, 640}},
      {"a small screen: its area less the margin", {0, 0, 1024, 600}, {32, 32, 960, 536}},
      {"smaller than the window may be: the least, then the screen", {0, 0, 420, 300}, {10, 0, 400, 300}},
  };
  for (const Case& c : cases) EXPECT_EQ(first_place(1000, 640, c.area, 32, 400, 318), c.placed) << c.what;
}

TEST(WindowMemory, ItsTextReadsBackAndBadLinesAreLeftOut) {
  VeskoWindowMemory memory;
  memory.dpi = 144;
  memory.rect = PixelRect{-20, 30, 1200, 900};
  memory.maximized = true;
  memory.split = 240;
  memory.result_widths = {180, 400, 90, 150, 100};
  memory.catalogue_widths = {150, 300, 90, 150};
  memory.sort_column = 2;
  memory.sort_descending = true;
  memory.catalogue_sort_column = 0;
  memory.catalogue_sort_descending = true;
  memory.view_rect = PixelRect{600, -10, 900, 450};
  memory.view_maximized = true;
  memory.browse_rect = PixelRect{30, 40, 1500, 600};
  memory.browse_maximized = true;
  memory.browse_split = 450;
  memory.browse_folder_widths = {300, 90, 60, 60};
  memory.browse_file_widths = {240, 90, 150};
  memory.folder_sort_column = 0;
  memory.folder_sort_descending = true;
  memory.file_sort_column = 1;
  EXPECT_EQ(read_window_memory(window_memory_text(memory)), memory);
  EXPECT_EQ(read_window_memory(""), VeskoWindowMemory{});

  const VeskoWindowMemory damaged = read_window_memory(
      "rect=1 2 three 4\r\nsplit=-5\nresults=100 200\nsort=x\nunknown=1\nno equals sign\ndpi=5000\n"
      "catalogue_sort=-1 0\nview=1 2 0 4\nbrowse=1 2 3\nbrowse_split=0\nbrowse_files=1 -2\nfile_sort=-1 1\n"
      "folder_sort=1\ncatalogues=1 2 3 4");
  EXPECT_FALSE(damaged.rect);
  EXPECT_FALSE(damaged.split);
  EXPECT_EQ(damaged.result_widths, (std::vector<int>{100, 200}));
  EXPECT_EQ(damaged.catalogue_widths, (std::vector<int>{1, 2, 3, 4}));  // the last line, without a line end
  EXPECT_FALSE(damaged.sort_column);
  EXPECT_FALSE(damaged.catalogue_sort_column);
  EXPECT_FALSE(damaged.view_rect);
  EXPECT_FALSE(damaged.browse_rect);
  EXPECT_FALSE(damaged.browse_split);
  EXPECT_TRUE(damaged.browse_file_widths.empty());
  EXPECT_FALSE(damaged.file_sort_column);
  EXPECT_FALSE(damaged.folder_sort_column);
  EXPECT_EQ(damaged.dpi, 96);

  // Opened at another resolution: sizes scale, the place stays.
  const VeskoWindowMemory scaled = at_dpi(memory, 96);
  EXPECT_EQ(scaled.rect, (PixelRect{-20, 30, 800, 600}));
  EXPECT_EQ(scaled.view_rect, (PixelRect{600, -10, 600, 300}));
  EXPECT_EQ(scaled.split, 160);
  EXPECT_EQ(scaled.result_widths, (std::vector<int>{120, 267, 60, 100, 67}));
  EXPECT_EQ(scaled.browse_rect, (PixelRect{30, 40, 1000, 400}));
  EXPECT_EQ(scaled.browse_split, 300);
  EXPECT_EQ(scaled.browse_folder_widths, (std::vector<int>{200, 60, 40, 40}));
  EXPECT_EQ(scaled.browse_file_widths, (std::vector<int>{160, 60, 100}));
}

}  // namespace
}  // namespace korvint::ui
