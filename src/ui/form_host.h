#pragma once
// What only a window host can do for the handlers: the event loop, the mouse
// pointer, menus, message boxes, the folder dialog, closing, the injected click.

#include <optional>
#include <string>
#include <string_view>

#include "ui/form_ids.h"

namespace korvint::ui {

class FormHost {
 public:
  virtual ~FormHost() = default;

  /// Processes every pending window event, running the handlers they trigger, then returns.
  virtual void DoEvents() = 0;

  /// Shows the program-wide hourglass pointer, or the normal one.
  virtual void setHourglass(bool busy) = 0;

  /// Shows the window.
  virtual void showWindow() = 0;

  /// Closes the window, which ends the program.
  virtual void closeWindow() = 0;

  /// Pops `menu` up at the mouse pointer and waits until it closes; returns the chosen item.
  virtual std::optional<MenuItemId> popupMenu(MenuId menu) = 0;

  /// Shows `text` in a modal message box with the title `title`, one OK button and no icon.
  virtual void messageBox(std::string_view text, std::string_view title) = 0;

  /// The folder dialog: the chosen folder's path, or "" when nothing usable was chosen.
  virtual std::string BrowseFolder() = 0;

  /// Injects a left click at the mouse pointer, wherever it is.
  virtual void ClickDaMouse() = 0;

  /// True when the keyboard focus is in one of the window's text boxes.
  [[nodiscard]] virtual bool focusInTextBox() const = 0;

  /// Turns on path completion while typing into the output folder box.
  virtual void enablePathCompletion() = 0;
};

}  // namespace korvint::ui
