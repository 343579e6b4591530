#pragma once
// Vesko's second window, the collection views: the duplicates among the
// catalogues, or two catalogues compared. One table and a status line; what
// the window shows is chosen from Vesko's main window (the catalogues'
// right-click menu, Ctrl+D).

#include <span>
#include <string_view>

#include "ui/controls.h"
#include "ui/vesko_controls.h"
#include "ui/vesko_layout.h"

namespace korvint::ui {

/// The duplicates' columns: Group, Copies, Wasted, Name, Folder, Size, Date, Catalogue.
std::span<const VeskoColumn> duplicate_columns();
/// The comparison's columns: Difference, Path, Size A, Date A, Size B, Date B.
std::span<const VeskoColumn> comparison_columns();

/// The view window's title while it shows the duplicates.
inline constexpr std::string_view kDuplicatesTitle = "Duplicates - Vesko";

/// What the view window's user does, handled on the window's thread.
class ViewEvents {
 public:
  virtual ~ViewEvents() = default;
  /// Enter or a double click on a row.
  virtual void view_Open() = 0;
  /// The right-click menu (or the menu key) over the current row.
  virtual void view_ContextMenu() = 0;
  /// Ctrl+C: the full paths of the selected rows' files.
  virtual void view_Copy() = 0;
  /// The window was closed (or Esc): the work for it stops.
  virtual void view_Closed() = 0;
};

/// The view window, made by the host the first time it is asked for and kept
/// until Vesko's window goes; hidden when the user closes it.
class ViewWindow {
 public:
  virtual ~ViewWindow() = default;
  virtual TableView& lstView() = 0;
  virtual Label& lblViewStatus() = 0;
  /// Shows the window (raised, in front) titled `title`, its table with
  /// `columns` from now on; the rows are set on lstView() after this.
  virtual void showView(std::string_view title, std::span<const VeskoColumn> columns) = 0;
};

}  // namespace korvint::ui
