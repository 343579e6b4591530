#pragma once
// Vesko's window, written once for every host: its controls by name, where
// each lies in twips and how it follows the window when that is resized (in
// the shape every window's table uses, ui/control_spec.h), the columns of its
// two tables, the results' right-click menu, the title.

#include <optional>
#include <span>
#include <string_view>

#include "ui/control_spec.h"

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

/// A control of Vesko's window.
using VeskoControlSpec = ControlSpecOf<VeskoControlId>;

/// The window's client area as drawn, and the smallest it may become, in twips.
inline constexpr int kVeskoClientWidthTwips = 10800;
inline constexpr int kVeskoClientHeightTwips = 7200;
inline constexpr int kVeskoMinWidthTwips = 6000;
inline constexpr int kVeskoMinHeightTwips = 4200;

/// Every control, in tab order.
std::span<const VeskoControlSpec> vesko_controls();
const VeskoControlSpec& vesko_control(VeskoControlId id);

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

}  // namespace korvint::ui
