#pragma once
// A splitter bar between two panes of a window, moved with the mouse: the
// cursor over it, the capture while it is dragged, and the pane's new edge
// as the pointer moves. The window keeps where the bar is and lays out.

#include <windows.h>

#include <functional>
#include <optional>
#include <utility>

namespace korvint::hosts::win32 {

class SplitterDrag {
 public:
  /// Which way the bar moves: Across (a vertical bar, dragged along x) or Down (a horizontal bar, along y).
  enum class Axis { Across, Down };

  struct Hooks {
    std::function<bool(POINT)> on_bar;  ///< whether a client point lies on the bar
    std::function<int()> edge;          ///< the near pane's far edge, in client coordinates along the axis
    std::function<void(int)> moved;     ///< the edge's new place while dragged (the window clamps and lays out)
  };

  SplitterDrag(Axis axis, Hooks hooks) : axis_(axis), hooks_(std::move(hooks)) {}

  /// Answers `message` of `window` when it is the splitter's; nullopt when the window's own handling goes on.
  std::optional<LRESULT> on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  [[nodiscard]] int along(LPARAM lparam) const;

  Axis axis_;
  Hooks hooks_;
  std::optional<int> grab_;  // while dragged: the pointer's distance from the edge when it was pressed
};

}  // namespace korvint::hosts::win32
