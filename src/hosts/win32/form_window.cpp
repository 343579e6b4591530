#include "hosts/win32/form_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/form_events.h"
#include "hosts/win32/form_keyboard.h"
#include "hosts/win32/popup_menu.h"
#include "hosts/win32/tab_order.h"
#include "hosts/win32/win32_controls.h"
#include "platform/win32/win32_text.h"
#include "ui/drive_box.h"
#include "ui/form_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

bool is_edit(ControlId id) { return control_shape(id).kind == ControlKind::TextBox; }

// The text boxes whose handlers take Enter; elsewhere Enter stays a dialog key.
bool takes_enter(ControlId id) { return id == ControlId::Text1 || id == ControlId::Text4; }

std::int16_t list_button(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: return mouse_button_code(PointerButton::left);
    case WM_RBUTTONDOWN: return mouse_button_code(PointerButton::right);
    case WM_MBUTTONDOWN: return mouse_button_code(PointerButton::middle);
    default: return mouse_button_code(PointerButton::other);
  }
}

}  // namespace

FormWindow::FormWindow(int show_command) : TopLevelWindow(show_command) {
  // Pixels stay pixels on high-resolution screens; the layout scales itself by the DPI.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  dpi_ = screen_dpi();

  const SIZE client = client_pixel_size(dpi_);
  if (!create(kFormWindowClass, kFormCaption, kFormWindowStyle, client.cx, client.cy)) return;

  controls_ = create_controls(hwnd(), dpi_, fonts_);
  fill_drive_box(control(ControlId::Drive1), drive_box_entries());
  tooltips_ = create_tooltips(hwnd(), controls_);
  for (const FormControlShape& shape : form_controls()) {
    if (is_edit(shape.id) || shape.id == ControlId::List1) subclass(shape.id);
  }
  // The window opened on a monitor of another resolution than the primary one.
  if (const int dpi = window_dpi(hwnd()); dpi != dpi_.x) apply_dpi(dpi, nullptr);
}

void FormWindow::apply_dpi(int dpi, const RECT* suggested) {
  dpi_ = ScreenDpi{dpi, dpi};
  place_controls(hwnd(), controls_, tooltips_, dpi_, fonts_);
  // The client area is the table's at the new resolution, where Windows suggests.
  const SIZE client = client_pixel_size(dpi_);
  const SIZE frame = frame_size(kFormWindowStyle, client.cx, client.cy);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  int left = 0;
  int top = 0;
  if (suggested != nullptr) {
    left = suggested->left;
    top = suggested->top;
  } else {
    flags |= SWP_NOMOVE;
  }
  SetWindowPos(hwnd(), nullptr, left, top, frame.cx, frame.cy, flags);
}

FormWindow::~FormWindow() {
  form_ = nullptr;
  destroy();
}

void FormWindow::set_busy(bool busy) {
  busy_ = busy;
  if (busy) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return;
  }
  // Let the window under the pointer choose its pointer again.
  POINT at{};
  GetCursorPos(&at);
  HWND under = WindowFromPoint(at);
  if (under != nullptr && (under == hwnd() || IsChild(hwnd(), under))) {
    const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
  } else {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
}

void FormWindow::move_focus(HWND from, bool backwards) {
  HWND next = next_tab_stop(controls_, from, backwards);
  if (next == nullptr) {
    if (hwnd() != nullptr) SetFocus(hwnd());
    return;
  }
  SetFocus(next);
  // A text box reached by the keyboard has its text selected, ready to be typed over.
  const auto id = control_of_child_window_id(GetDlgCtrlID(next));
  if (id && is_edit(*id)) SendMessageW(next, EM_SETSEL, 0, -1);
}

void FormWindow::restore_focus() {
  if (last_focus_ != nullptr && is_control(last_focus_)) {
    const auto id = control_of_child_window_id(GetDlgCtrlID(last_focus_));
    if (id && can_take_focus(control_shape(*id), last_focus_)) {
      SetFocus(last_focus_);
      return;
    }
  }
  move_focus(nullptr, false);
}

bool FormWindow::is_control(HWND window) const {
  if (window == nullptr) return false;
  for (HWND control : controls_) {
    if (control == window) return true;
  }
  return false;
}

void FormWindow::subclass(ControlId id) {
  HWND control = controls_[slot(id)];
  if (control == nullptr) return;
  original_procedures_[slot(id)] = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::control_procedure)));
}

bool FormWindow::pre_translate(MSG& msg) { return handle_keyboard(*this, msg); }

void FormWindow::on_destroyed() {
  controls_.fill(nullptr);
  tooltips_ = nullptr;
  last_focus_ = nullptr;
}

LRESULT FormWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      on_command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_CLOSE:
      // The handler decides: a running scan is stopped first and closes the window when it ends.
      if (form_ != nullptr) {
        app::on_close_request(*form_);
        return 0;
      }
      break;
    case WM_LBUTTONUP: on_mouse_up(mouse_button_code(PointerButton::left), lparam); return 0;
    case WM_RBUTTONUP: on_mouse_up(mouse_button_code(PointerButton::right), lparam); return 0;
    case WM_MBUTTONUP: on_mouse_up(mouse_button_code(PointerButton::middle), lparam); return 0;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); is_control(focus)) last_focus_ = focus;
      } else if (HIWORD(wparam) == 0) {
        restore_focus();
      }
      return 0;
    case WM_SETFOCUS:
      restore_focus();
      return 0;
    case WM_DPICHANGED: {
      const DpiChange change = dpi_change(wparam, lparam);
      apply_dpi(change.dpi, &change.suggested);
      return 0;
    }
    case WM_NOTIFY:
      if (const auto* header = reinterpret_cast<const NMHDR*>(lparam);
          header->hwndFrom == tooltips_ && header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lparam);
        for (const FormControlShape& shape : form_controls()) {
          if (!shape.tooltip_shows_caption || info->hdr.idFrom != slot(shape.id)) continue;
          tip_text_ = platform::win32::to_wide(tooltip_text(shape, window_text(control(shape.id))));
          info->lpszText = tip_text_.data();
          info->hinst = nullptr;
        }
        return 0;
      }
      break;
    default: break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

void FormWindow::on_command(int id, int code, HWND from) {
  if (form_ == nullptr) return;
  if (id == IDOK) {
    // Enter outside the text boxes that take it presses the focused button.
    HWND focus = GetFocus();
    const auto focused = control_of_child_window_id(GetDlgCtrlID(focus));
    if (is_control(focus) && focused && control_shape(*focused).kind == ControlKind::CommandButton &&
        IsWindowEnabled(focus) != FALSE) {
      app::on_click(*form_, *focused);
    }
    return;
  }
  if (id == IDCANCEL) return;
  if (from == nullptr) {
    if (const auto item = menu_item_of_command(id)) app::on_menu_item(*form_, *item);
    return;
  }
  const auto control = control_of_child_window_id(id);
  if (!control) return;
  if (code == BN_CLICKED && control_shape(*control).kind == ControlKind::CommandButton) {
    app::on_click(*form_, *control);
  } else if (*control == ControlId::List1 && code == LBN_SELCHANGE) {
    // The list sends it for each release of a press on it, and for each key
    // it handles; the model reports a press when it happens, a key's move here.
    if (list_ != nullptr) list_->selection_changed();
  }
}

void FormWindow::on_mouse_up(std::int16_t button, LPARAM lparam) {
  if (form_ == nullptr) return;
  // Only the window's own surface counts: a label lets the mouse through to the
  // window but is a control; the line is transparent and counts as surface.
  const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (ChildWindowFromPointEx(hwnd(), at, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT) != hwnd()) return;
  app::on_form_mouse_up(*form_, button);
}

LRESULT CALLBACK FormWindow::control_procedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(GetParent(control), GWLP_USERDATA));
  const auto id = control_of_child_window_id(GetDlgCtrlID(control));
  if (self == nullptr || !id) return DefWindowProcW(control, message, wparam, lparam);
  return self->on_control_message(*id, control, message, wparam, lparam);
}

LRESULT FormWindow::list_left_press(HWND control, WNDPROC original, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
  // The list selects on the press and says LBN_SELCHANGE only on the release,
  // and then even beside the entries; whether the press lands on an entry is
  // what tells a click on one apart.
  const LRESULT hit = SendMessageW(control, LB_ITEMFROMPOINT, 0, lparam);
  const bool on_entry = HIWORD(hit) == 0 && LOWORD(hit) < SendMessageW(control, LB_GETCOUNT, 0, 0);
  LRESULT result = 0;
  auto press = [&] { result = CallWindowProcW(original, control, message, wparam, lparam); };
  if (list_ != nullptr) {
    list_->user_pressed(on_entry, press);
  } else {
    press();
  }
  return result;
}

LRESULT FormWindow::on_control_message(ControlId id, HWND control, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  const WNDPROC original = original_procedures_[slot(id)];
  if (original == nullptr) return DefWindowProcW(control, message, wparam, lparam);
  switch (message) {
    case WM_GETDLGCODE:
      // Enter goes to the box as a character instead of being a dialog key.
      if (takes_enter(id) && wparam == VK_RETURN) {
        return CallWindowProcW(original, control, message, wparam, lparam) | DLGC_WANTALLKEYS;
      }
      break;
    case WM_CHAR:
      if (is_edit(id) && form_ != nullptr) {
        auto key = static_cast<std::int16_t>(wparam);
        app::on_key_press(*form_, id, key);
        // The handler may have closed the window, or swallowed the key by setting it to 0.
        if (IsWindow(control) == FALSE || key == 0) return 0;
        wparam = static_cast<WPARAM>(static_cast<std::uint16_t>(key));
      }
      break;
    case WM_LBUTTONDBLCLK:
      // The second press of a double click selects as the first did; the
      // handler hears of no second mouse-down.
      if (id == ControlId::List1) return list_left_press(control, original, message, wparam, lparam);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (id == ControlId::List1) {
        // The list reacts first (a left click selects), then the handler runs.
        const LRESULT result = message == WM_LBUTTONDOWN
                                   ? list_left_press(control, original, message, wparam, lparam)
                                   : CallWindowProcW(original, control, message, wparam, lparam);
        if (form_ != nullptr && IsWindow(control) != FALSE) {
          app::on_list_mouse_down(*form_, list_button(message));
        }
        return result;
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      original_procedures_[slot(id)] = nullptr;
      return CallWindowProcW(original, control, message, wparam, lparam);
    default: break;
  }
  return CallWindowProcW(original, control, message, wparam, lparam);
}

}  // namespace korvint::hosts::win32
