#pragma once
// Vesko's second window, the collection views: the duplicates among the
// catalogues, or two catalogues compared. One table and a status line; what
// the window shows is chosen from Vesko's main window (the catalogues'
// right-click menu, Ctrl+D).

#include <span>
#include <string>
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

/// The choices of the duplicates' "By" drop-down, in its order: what two
/// files must share to be duplicates.
std::span<const std::string_view> duplicate_key_choices();

/// The options of the view shown, as its window offers them: the
/// duplicates' keys, or how two catalogues are compared.
struct ViewOptions {
  bool comparison = false;   ///< the comparison's options shown, else the duplicates'
  int by = 0;                ///< the duplicates' keys: an index of duplicate_key_choices()
  bool ignore_date = false;  ///< "Ignore dates": files in both differ only by their size
  bool all = false;          ///< "List every file in missing folders"
  std::string folder_a;      ///< the folder of A compared ("" its root)
  std::string folder_b;
  friend bool operator==(const ViewOptions&, const ViewOptions&) = default;
};

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
  /// The user changed an option (a choice, a check box, a folder left or
  /// confirmed with Enter): the view is computed again with them.
  virtual void view_OptionsChange() = 0;
  /// A click on the header of `column`: the rows sorted by it, the second
  /// click the other way round.
  virtual void view_HeaderClick(int column) = 0;
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
  /// Shows the options of the duplicates or the comparison set as `options` says.
  virtual void showOptions(const ViewOptions& options) = 0;
  /// The options as the user has set them now.
  [[nodiscard]] virtual ViewOptions options() const = 0;
};

}  // namespace korvint::ui
