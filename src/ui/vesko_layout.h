#pragma once
// Vesko's window, written once for every host: its controls by name, where
// each lies in twips and how it follows the window when that is resized (in
// the shape every window's table uses, ui/control_shape.h), the columns of its
// two tables, the results' right-click menu, the title.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "ui/control_shape.h"

namespace korvint::ui {

/// Every control of Vesko's window, in tab order.
enum class VeskoControlId {
  txtQuery,       ///< the query box; the search runs as the user types
  lblFolder,      ///< the catalogue folder being searched
  cmdFolder,      ///< picks another catalogue folder
  lstCatalogues,  ///< the catalogues; a selection restricts the search to them
  lstResults,     ///< the results, handed out by index (virtual)
  lblStatus,      ///< "N found in M catalogues (K entries) in T ms" and notes
  cmdHelp,        ///< "?" beside the query box: the query language, as F1
};
inline constexpr int kVeskoControlCount = 7;

/// The window's title.
inline constexpr std::string_view kVeskoTitle = "Vesko";

/// A control of Vesko's window.
using VeskoControlShape = ControlShapeOf<VeskoControlId>;

/// The catalogues' height as drawn, and the least each table keeps when the
/// splitter between them moves or the window shrinks, in twips: the
/// catalogues a header and two rows, the results a header, five rows and a
/// horizontal scroll bar.
inline constexpr int kVeskoCataloguesTwips = 1560;
inline constexpr int kVeskoMinCataloguesTwips = 1140;
inline constexpr int kVeskoMinResultsTwips = 2250;
/// The space between the two tables: the splitter's handle.
inline constexpr int kVeskoSplitterTwips = 120;

/// The window's client area as drawn, and the smallest it may become, in
/// twips: the controls above the tables (1020), the two tables at their
/// least with the splitter, and the status line below (480).
inline constexpr int kVeskoClientWidthTwips = 10800;
inline constexpr int kVeskoClientHeightTwips = 7200;
inline constexpr int kVeskoMinWidthTwips = 6000;
/// The client area the window opens with when it remembers no place of its
/// own, in twips: wide enough for the results' columns to show typical names
/// and folders whole (a screen's work area, less a margin, limits it).
inline constexpr int kVeskoFirstWidthTwips = 15000;
inline constexpr int kVeskoFirstHeightTwips = 9600;
/// What the window leaves free around it at a first start on a screen too small for it.
inline constexpr int kFirstPlaceMarginTwips = 480;
inline constexpr int kVeskoMinHeightTwips =
    1020 + kVeskoMinCataloguesTwips + kVeskoSplitterTwips + kVeskoMinResultsTwips + 480;

/// Every control, in tab order.
std::span<const VeskoControlShape> vesko_controls();
const VeskoControlShape& vesko_control(VeskoControlId id);

/// Where every control lies (by VeskoControlId) in a client area of `width`
/// x `height` pixels at `dpi`, with the catalogues `catalogue_height` pixels
/// high (where the splitter was put; nullopt: as drawn) and the results below
/// them taking the rest. The catalogues' height is held by
/// clamp_catalogue_height().
std::vector<PixelRect> vesko_pixel_layout(int dpi, int width, int height, std::optional<int> catalogue_height = {});

/// `wanted` (pixels) held between the catalogues' least height and what
/// leaves the results theirs in a client area `height` pixels high at `dpi`;
/// the catalogues' least when even that does not fit.
int clamp_catalogue_height(int wanted, int dpi, int height);

/// One column of a table: its title, its width in twips, right-aligned or
/// not, and whether it takes the table's spare width, its long texts
/// shortened in the middle; how it fits its texts (ui/column_fit.h).
struct VeskoColumn {
  std::string_view title;
  int width;
  bool right_aligned;
  bool takes_spare_width = false;
  std::string_view longest = {};  ///< a text it is always wide enough for (the longest of its kind); "": none
  int fit_most = 0;               ///< > 0: as wide as its texts on screen, up to this many twips
};

/// The results' columns: Name, Folder, Size, Date, Catalogue.
std::span<const VeskoColumn> result_columns();
/// The catalogues' columns: Name, Root, Files, Folders, Size (of the
/// files), Written (the catalogue file's time), Age, Medium (online,
/// offline, drive present).
std::span<const VeskoColumn> catalogue_columns();

/// The items of the results' right-click menu.
enum class ResultMenuItem { CopyPath, CopyLines, CopyName, OpenFolder, Export, ShowInCatalogue };

struct ResultMenuEntry {
  ResultMenuItem item;
  std::string_view caption;
};

/// The results' right-click menu, in order.
std::span<const ResultMenuEntry> result_menu();

}  // namespace korvint::ui
