#pragma once
// Vesko's window, written once for every host: its controls by name, where
// each lies in twips and how it follows the window when that is resized, the
// columns of its two tables, the results' right-click menu, the title.

#include <optional>
#include <span>
#include <string_view>

namespace korvint::ui {

/// Every control of Vesko's window, in tab order.
enum class VeskoControlId {
  txtQuery,       ///< the query box; the search runs as the user types
  lblFolder,      ///< the catalogue folder being searched
  cmdFolder,      ///< picks another catalogue folder
  lstCatalogues,  ///< the catalogues; a selection restricts the search to them
  lstResults,     ///< the results, handed out by index (virtual)
  lblStatus,      ///< "N found in M catalogues (K entries) in T ms" and notes
};
inline constexpr int kVeskoControlCount = 6;

/// The window's title.
inline constexpr std::string_view kVeskoTitle = "Vesko";

enum class VeskoKind { TextBox, Label, Button, Table };

/// How an edge pair follows the window: both edges fixed to the start (left or
/// top), the far edge following the window (stretch), or both following it.
enum class Anchor { Start, Stretch, End };

/// One control as the window creates it. Left and top are twips from the
/// client area's left and top; for a control anchored at the end or
/// stretched, `right`/`bottom` are twips from the client area's right/bottom.
struct VeskoControlSpec {
  VeskoControlId id;
  std::string_view name;
  VeskoKind kind;
  std::string_view caption;
  int left;
  int top;
  int width;   ///< used when anchored at the start or the end
  int height;  ///< used when anchored at the start or the end
  int right;   ///< margin to the right edge when stretched or anchored at the end
  int bottom;  ///< margin to the bottom edge when stretched or anchored at the end
  Anchor horizontal;
  Anchor vertical;
};

/// The window's client area as drawn, and the smallest it may become, in twips.
inline constexpr int kVeskoClientWidthTwips = 10800;
inline constexpr int kVeskoClientHeightTwips = 7200;
inline constexpr int kVeskoMinWidthTwips = 6000;
inline constexpr int kVeskoMinHeightTwips = 4200;

/// Every control, in tab order.
std::span<const VeskoControlSpec> vesko_controls();
const VeskoControlSpec& vesko_control(VeskoControlId id);

/// A rectangle in pixels.
struct VeskoRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const VeskoRect&, const VeskoRect&) = default;
};

/// Where control `shape` lies in a client area `client_width` by `client_height`
/// pixels at `dpi` dots per inch; never narrower or lower than 0.
VeskoRect vesko_control_rect(const VeskoControlSpec& shape, int client_width, int client_height, int dpi);

/// One column of a table: its title, its width in twips, right-aligned or not.
struct VeskoColumn {
  std::string_view title;
  int width;
  bool right_aligned;
};

/// The results' columns: Name, Folder, Size, Date, Catalogue.
std::span<const VeskoColumn> result_columns();
/// The catalogues' columns: Name, Root, Entries, Scanned.
std::span<const VeskoColumn> catalogue_columns();

/// The items of the results' right-click menu.
enum class ResultMenuItem { CopyPath, CopyName, OpenFolder };

struct ResultMenuEntry {
  ResultMenuItem item;
  std::string_view caption;
};

/// The results' right-click menu, in order.
std::span<const ResultMenuEntry> result_menu();

/// Pixels for `twips` at `dpi`, rounded.
int vesko_pixels(int twips, int dpi);

}  // namespace korvint::ui
