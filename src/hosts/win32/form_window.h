#pragma once
// Korvint's main window: the window with every control of the layout table,
// and the window procedures that turn Win32 messages into the form's events.

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/form1.h"
#include "ui/form_ids.h"
#include "hosts/win32/control_creation.h"
#include "hosts/win32/top_level_window.h"
#include "hosts/win32/win32_handles.h"
#include "hosts/win32/window_geometry.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The window class of the main window.
inline constexpr const wchar_t* kFormWindowClass = L"KorvintForm1";

/// The style of the main window: a caption, the system menu and a minimize box; it does not resize.
inline constexpr DWORD kFormWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

class FormWindow final : public TopLevelWindow {
 public:
  /// Creates the window, hidden, with all its controls laid out at the
  /// screen's resolution; `show_command` is how it first appears (SW_...).
  explicit FormWindow(int show_command = SW_SHOWNORMAL);
  /// Destroys the window if it is still there.
  ~FormWindow() override;

  /// Why the window could not be created (GetLastError then, which may be 0).

  /// The child window of a control.
  [[nodiscard]] HWND control(ControlId id) const { return controls_[slot(id)]; }

  /// All child windows of the controls.
  [[nodiscard]] const ControlWindows& controls() const { return controls_; }

  /// The tooltip window.
  [[nodiscard]] HWND tooltips() const { return tooltips_; }

  /// The resolution the window was laid out at.
  [[nodiscard]] ScreenDpi dpi() const { return dpi_; }

  /// Routes the window's events to `form`'s handlers from now on; nullptr stops that.
  void attach(Form1* form) { form_ = form; }

  /// The form the events go to; nullptr when none.
  [[nodiscard]] Form1* form() const { return form_; }

  /// Tells `list` from now on what the scan list's LISTBOX does: its left
  /// button presses and LBN_SELCHANGE; nullptr stops that.
  void attach_list(ListBox* list) { list_ = list; }

  /// Shows the wait pointer over the window while `busy`.
  void set_busy(bool busy);

  /// Gives the keyboard focus to the control after `from` in the tab order (before it when `backwards`).
  void move_focus(HWND from, bool backwards);

  /// Gives the keyboard focus to the control that had it last, else to the first in the tab order.
  void restore_focus();

  /// The form's key preview, TAB in tab-index order, the dialog keys (form_keyboard.h).
  bool pre_translate(MSG& msg) override;

 private:
  static LRESULT CALLBACK control_procedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam);

  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_destroyed() override;
  LRESULT on_control_message(ControlId id, HWND control, UINT message, WPARAM wparam, LPARAM lparam);
  /// Lets the scan list handle a left press (or a double click's second one) and tells the list model.
  LRESULT list_left_press(HWND control, WNDPROC original, UINT message, WPARAM wparam, LPARAM lparam);
  void on_command(int id, int code, HWND from);
  void on_mouse_up(std::int16_t button, LPARAM lparam);
  void subclass(ControlId id);
  // Lays the window out anew at `dpi` (moved to a monitor of another
  // resolution): controls, fonts, and the window's size, at `suggested`'s
  // top left when given.
  void apply_dpi(int dpi, const RECT* suggested);
  [[nodiscard]] bool is_control(HWND window) const;

  ControlWindows controls_{};
  std::array<WNDPROC, kControlCount> original_procedures_{};
  HWND tooltips_ = nullptr;
  std::wstring tip_text_;  // the text a status label's tooltip shows now
  HWND last_focus_ = nullptr;
  std::vector<FontHandle> fonts_;
  ScreenDpi dpi_;
  Form1* form_ = nullptr;
  ListBox* list_ = nullptr;
  bool busy_ = false;
};

}  // namespace korvint::hosts::win32
