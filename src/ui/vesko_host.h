#pragma once
// What only a window host can do for Vesko's handlers: run work on the
// window's thread, the folder dialog, the clipboard, the right-click menu,
// message boxes, the keyboard focus, showing and closing.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/vesko_browse.h"
#include "ui/vesko_layout.h"
#include "ui/vesko_views.h"

namespace korvint::ui {

/// A watched folder's changes are reported once they have been quiet this
/// long (a scan writes its catalogue in many steps), and at the latest this
/// long after the first of them.
inline constexpr std::chrono::milliseconds kChangesSettle{300};
inline constexpr std::chrono::milliseconds kChangesAtLatest{2000};

class VeskoHost {
 public:
  virtual ~VeskoHost() = default;

  /// Runs `task` on the window's thread soon; callable from any thread, never
  /// waits. Tasks run in the order posted.
  virtual void post(std::function<void()> task) = 0;

  /// Runs `task` on the window's thread once `delay` has passed, not sooner;
  /// called on the window's thread, never waits. dropPosted() drops it too.
  virtual void postAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;

  /// Drops the tasks posted and not yet run, delayed ones too (their owner is going away).
  virtual void dropPosted() = 0;

  virtual void showWindow() = 0;
  virtual void closeWindow() = 0;

  /// The folder dialog, opening at `start`: the chosen folder, "" when cancelled.
  virtual std::string BrowseFolder(std::string_view start) = 0;

  /// Puts `text` (UTF-8, lines ended by LF) on the clipboard, its lines
  /// ended as the platform's programs expect.
  virtual void setClipboardText(std::string_view text) = 0;

  /// Pops the results' menu up at the mouse pointer (or under the current
  /// row, when the keyboard asked) and waits: the chosen item, or nullopt.
  virtual std::optional<ResultMenuItem> popupResultMenu() = 0;

  /// The save dialog of "Export...", offering CSV and TSV files and starting
  /// with `suggested` as the name: the path chosen (UTF-8), "" when cancelled.
  /// The dialog asks before a file is replaced.
  virtual std::string SaveExportFile(std::string_view suggested) = 0;

  /// Pops a menu of `items` ("&" before an access key, a TAB before a
  /// shortcut's name) up at the mouse pointer (or under the current row of
  /// the focused table, when the keyboard asked) and waits: the index of the
  /// item chosen, or nullopt.
  virtual std::optional<std::size_t> popupMenu(const std::vector<std::string>& items) = 0;

  /// The view window, its events going to `events`: made the first time,
  /// the same one after (with the same `events`); it lives as long as the host.
  virtual ViewWindow& viewWindow(ViewEvents& events) = 0;

  /// The browse window, its events going to `events`: made the first time,
  /// the same one after (with the same `events`); it lives as long as the host.
  virtual BrowseWindow& browseWindow(BrowseEvents& events) = 0;

  /// A modal message box titled "Vesko" with one OK button.
  virtual void messageBox(std::string_view text) = 0;

  /// A modal window titled `title` showing `text` (lines laid out in columns
  /// with spaces) in a fixed-width font, read-only, closed with OK or Esc.
  virtual void showText(std::string_view title, std::string_view text) = 0;

  /// Gives the keyboard focus to control `id` (a text box gets its text selected).
  virtual void focusControl(VeskoControlId id) = 0;

  /// Watches `folders` and the files `files` in them from now on (in place
  /// of what was watched before): when any changes (a file added, removed,
  /// renamed or written), the host calls VeskoSession::catalogues_changed()
  /// on the window's thread, once for a burst of changes, after they settle.
  virtual void watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>& files) = 0;
};

}  // namespace korvint::ui
