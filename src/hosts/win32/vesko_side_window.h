#pragma once
// What Vesko's view and browse windows share: a window of its own beside
// the main one (owned by it: above it, minimised and closed with it), laid
// out at its monitor's resolution and again when that changes, never made
// smaller than its least size, put back where it was left, with its own
// list of rows and status line, and Tab between its controls.

#include <windows.h>

#include "hosts/win32/top_level_window.h"
#include "hosts/win32/win32_handles.h"
#include "ui/control_shape.h"

namespace korvint::hosts::win32 {

class VeskoSideWindow : public TopLevelWindow {
 public:
  /// The resolution the window is laid out at.
  [[nodiscard]] int dpi() const { return dpi_; }
  /// Tab and Shift+Tab between the window's controls, Alt with a label's
  /// letter; Enter and Esc are left to the controls.
  bool pre_translate(MSG& msg) override;

 protected:
  /// A window at `dpi`, at least `least_height_twips` high; open() makes it.
  VeskoSideWindow(int dpi, int least_height_twips);
  /// Creates the window of `class_name`, hidden, owned by `owner`, its client
  /// area `width_twips` by the main window's height; false when it cannot be.
  /// Called by the derived window's constructor: its messages go to it.
  bool open(const wchar_t* class_name, HWND owner, int width_twips);

  /// The space between the controls and the status line's height, in pixels.
  [[nodiscard]] int margin() const;
  [[nodiscard]] int status_height() const;
  /// A report list view of owner data, with the id `id`, in the window's font.
  HWND make_rows_list(int id);
  /// The status line: one line of text, cut at its end.
  HWND make_status_line();
  /// Sends the window's font to `control`.
  void use_font(HWND control) const;
  /// Puts the window, not shown yet, at `rect` (kept on the screen nearest
  /// to it, which may have changed since), maximized or not.
  void place(const ui::PixelRect& rect, bool maximized);

  /// What both answer alike: the least size, a new resolution (rescale_contents(),
  /// the fonts, the place suggested, lay_out())); other messages to DefWindowProc.
  LRESULT on_common_message(UINT message, WPARAM wparam, LPARAM lparam);
  /// The window moved to a screen of another resolution: its pixel sizes
  /// (columns, splitters) from `from` dots per inch to `to`. The fonts follow by themselves.
  virtual void rescale_contents(int from, int to) = 0;
  /// Places the controls in the client area.
  virtual void lay_out() = 0;

 private:
  void apply_dpi(int dpi);

  int dpi_;
  int least_height_twips_;
  FontHandle font_;
};

}  // namespace korvint::hosts::win32
