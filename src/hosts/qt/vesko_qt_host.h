#pragma once
// What only the toolkit can do for Vesko's handlers, over Qt: work posted
// from the worker runs in the window's event loop, the folder dialog, the
// clipboard, the results' menu, message boxes, the focus, and the watch on
// the catalogue folders (QFileSystemWatcher).

#include <QFileSystemWatcher>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "ui/control_shape.h"
#include "ui/posted_tasks.h"
#include "ui/vesko_host.h"
#include "ui/window_memory.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

class VeskoQtWindow;
class VeskoQtViewWindow;
class VeskoQtBrowseWindow;

class VeskoQtHost final : public VeskoHost {
 public:
  /// `window` must outlive the host.
  explicit VeskoQtHost(VeskoQtWindow& window);
  ~VeskoQtHost() override;

  void post(std::function<void()> task) override;
  void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
  void dropPosted() override;
  void showWindow() override;
  void closeWindow() override;
  std::string BrowseFolder(std::string_view start) override;
  void setClipboardText(std::string_view text) override;
  std::string SaveExportFile(std::string_view suggested) override;
  std::optional<ResultMenuItem> popupResultMenu() override;
  std::optional<std::size_t> popupMenu(const std::vector<std::string>& items) override;
  ViewWindow& viewWindow(ViewEvents& events) override;
  BrowseWindow& browseWindow(BrowseEvents& events) override;
  /// Closes the view window for good, before the handlers of its events go.
  void closeViews();
  /// The view window's place and whether it is maximized: its own once it
  /// was made, else the one remembered.
  [[nodiscard]] std::pair<std::optional<PixelRect>, bool> viewPlace() const;
  /// Where the view window opens when it is first made (the place it was left in).
  void rememberViewPlace(std::optional<PixelRect> rect, bool maximized);
  /// Where the browse window opens when it is first made: its place,
  /// splitter and columns as `memory` (at the window's resolution) remembers them.
  void rememberBrowse(const VeskoWindowMemory& memory) { browse_memory_ = memory; }
  /// Writes the browse window's place, splitter and columns into `memory`:
  /// its own once it was made, else the ones remembered.
  void browsePlace(VeskoWindowMemory& memory) const;
  void messageBox(std::string_view text) override;
  void showText(std::string_view title, std::string_view text) override;
  void focusControl(VeskoControlId id) override;
  void watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>& files) override;

  /// Where the next results' menu pops up (the keyboard's menu key: under the current row); nullopt: the pointer.
  std::optional<QPoint> menu_at;

 private:
  // A change seen: reported once the changes settle, or at the latest.
  void changed();
  void report_changes();

  VeskoQtWindow& window_;
  std::unique_ptr<VeskoQtViewWindow> view_;
  std::optional<PixelRect> view_rect_;  ///< remembered, for the view window when it is made
  bool view_maximized_ = false;
  std::unique_ptr<VeskoQtBrowseWindow> browse_;
  VeskoWindowMemory browse_memory_;  ///< remembered, for the browse window when it is made
  PostedTasks posted_;
  /// Counts dropPosted(): a delayed task given before the last one does not run.
  unsigned long long drops_ = 0;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  QTimer at_latest_;
};

}  // namespace korvint::hosts::qt
