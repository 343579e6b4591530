#pragma once
// Routes the events of Vesko's window to their handlers. Every host
// translates its toolkit's events into these calls, so the handlers are
// written once.

#include "app/vesko_window_start.h"
#include "ui/vesko_layout.h"

namespace korvint::app {

/// The keys the window's handlers take, as the hosts report them.
enum class VeskoKey {
  FindQuery,    ///< Ctrl+F or Alt+D
  Escape,
  Down,         ///< the down arrow
  Enter,
  ContextMenu,  ///< the menu key or Shift+F10
  Reload,       ///< F5 or Ctrl+R
  Help,         ///< F1: the query language
  Copy,         ///< Ctrl+C
  Duplicates,   ///< Ctrl+D: the duplicates view
};

/// The window is created: start-up.
void on_load(VeskoWindow& window);

/// The user changed the text of a text box (typing, pasting; not the program's own text).
void on_change(VeskoWindow& window, ui::VeskoControlId box);

/// A button was pressed (by mouse, keyboard or access key).
void on_click(VeskoWindow& window, ui::VeskoControlId button);

/// The user changed the selection of a table.
void on_selection_change(VeskoWindow& window, ui::VeskoControlId table);

/// A click on the header of `column` of a table.
void on_header_click(VeskoWindow& window, ui::VeskoControlId table, int column);

/// A double click on a row of a table (the row is its current one).
void on_double_click(VeskoWindow& window, ui::VeskoControlId table);

/// A right click on a row of a table (the row is its current one).
void on_context_menu(VeskoWindow& window, ui::VeskoControlId table);

/// A key pressed while `focus` has the keyboard; true when it was handled
/// (the host then does nothing more with it).
bool on_key(VeskoWindow& window, ui::VeskoControlId focus, VeskoKey key);

/// The catalogue folders the host watches changed (once for a burst of changes).
void on_folders_changed(VeskoWindow& window);

}  // namespace korvint::app
