#pragma once
// What Vesko's window remembers between starts (its place and size, the
// splitter, the column widths, both tables' sort, the view window's place,
// the browse window's place, splitter, column widths and sorts)
// as one text a host keeps in its
// settings, and the rule that puts a remembered place back on a screen that
// may have changed since.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control_shape.h"

namespace korvint::ui {

/// `saved` put inside `area` (the work area of the screen nearest to it):
/// no larger than the area, at least `least_width` x `least_height` (the
/// window's minimum, when the area allows), moved in as far as it stood out.
PixelRect clamp_to_area(PixelRect saved, PixelRect area, int least_width, int least_height);

/// Where a window opens that remembers no place: `width` x `height` (its
/// size as drawn) no larger than `area` (a screen's work area) less `margin`
/// on every side, at least `least_width` x `least_height` (its minimum) while
/// the area allows, and centred on `area`.
PixelRect first_place(int width, int height, PixelRect area, int margin, int least_width, int least_height);

/// Vesko's window as it was left, in pixels at `dpi`.
struct VeskoWindowMemory {
  int dpi = 96;
  std::optional<PixelRect> rect;   ///< the window's place when not maximized
  bool maximized = false;
  std::optional<int> split;         ///< the catalogues' height
  std::vector<int> result_widths;   ///< by column; empty: as drawn
  std::vector<int> catalogue_widths;
  std::optional<int> sort_column;   ///< the results' sort; nullopt: the catalogues' order
  bool sort_descending = false;
  std::optional<int> catalogue_sort_column;  ///< the catalogue table's sort; nullopt: the folder's order
  bool catalogue_sort_descending = false;
  std::optional<PixelRect> view_rect;  ///< the view window's place when not maximized
  bool view_maximized = false;
  std::optional<PixelRect> browse_rect;  ///< the browse window's place when not maximized
  bool browse_maximized = false;
  std::optional<int> browse_split;        ///< the folder tree's width
  std::vector<int> browse_folder_widths;  ///< the tree's columns; empty: as drawn
  std::vector<int> browse_file_widths;
  std::optional<int> folder_sort_column;  ///< the folders' order (jobs::FolderOrder); nullopt: the first
  bool folder_sort_descending = false;
  std::optional<int> file_sort_column;    ///< the files' sort; nullopt: the catalogue's order
  bool file_sort_descending = false;
  friend bool operator==(const VeskoWindowMemory&, const VeskoWindowMemory&) = default;
};

/// `memory` as lines of "key=value".
std::string window_memory_text(const VeskoWindowMemory& memory);

/// The memory `text` holds: what is missing or cannot be read is left as it
/// is when nothing was remembered (a text from another version, edited by
/// hand or cut short never stops the window from opening).
VeskoWindowMemory read_window_memory(std::string_view text);

/// `memory`'s pixels at `dpi` (the window opens on a screen of another resolution).
VeskoWindowMemory at_dpi(VeskoWindowMemory memory, int dpi);

}  // namespace korvint::ui
