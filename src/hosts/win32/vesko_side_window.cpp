#include "hosts/win32/vesko_side_window.h"

#include <commctrl.h>

#include "hosts/win32/window_geometry.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::win32 {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kStatusTwips = 360;
constexpr int kMarginTwips = 90;

}  // namespace

VeskoSideWindow::VeskoSideWindow(int dpi, int least_height_twips)
    : TopLevelWindow(SW_SHOWNORMAL), dpi_(dpi), least_height_twips_(least_height_twips), font_(message_font(dpi)) {}

bool VeskoSideWindow::open(const wchar_t* class_name, HWND owner, int width_twips) {
  if (!create(class_name, "Vesko", kWindowStyle, twips_to_pixels(width_twips, dpi_),
              twips_to_pixels(ui::kVeskoClientHeightTwips, dpi_)))
    return false;
  // Owned by the main window: above it, minimised and closed with it.
  SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  return true;
}

int VeskoSideWindow::margin() const { return twips_to_pixels(kMarginTwips, dpi_); }

int VeskoSideWindow::status_height() const { return twips_to_pixels(kStatusTwips, dpi_); }

HWND VeskoSideWindow::make_rows_list(int id) {
  const HWND list = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
      0, 0, 10, 10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  use_font(list);
  return list;
}

HWND VeskoSideWindow::make_status_line() {
  const HWND status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS,
                                      0, 0, 10, 10, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  use_font(status);
  return status;
}

void VeskoSideWindow::use_font(HWND control) const {
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void VeskoSideWindow::place(const ui::PixelRect& rect, bool maximized) {
  if (hwnd() == nullptr) return;
  const SIZE least = frame_size(kWindowStyle, twips_to_pixels(ui::kVeskoMinWidthTwips, dpi_),
                                twips_to_pixels(least_height_twips_, dpi_));
  const ui::PixelRect placed = on_work_area(rect, least);
  SetWindowPos(hwnd(), nullptr, placed.left, placed.top, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (maximized) first_show_as(SW_SHOWMAXIMIZED);
}

void VeskoSideWindow::apply_dpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  rescale_contents(dpi_, dpi);
  dpi_ = dpi;
  FontHandle font(message_font(dpi));
  // Every control takes the new font (headers, options and lists alike).
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);
}

LRESULT VeskoSideWindow::on_common_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETMINMAXINFO:
      keep_least_client_size(lparam, kWindowStyle, twips_to_pixels(ui::kVeskoMinWidthTwips, dpi_),
                             twips_to_pixels(least_height_twips_, dpi_));
      return 0;
    case WM_DPICHANGED:
      // Moved to a monitor of another resolution, or its scale changed.
      apply_dpi(dpi_change(wparam, lparam).dpi);
      take_suggested_place(hwnd(), lparam);
      lay_out();
      return 0;
    default: return DefWindowProcW(hwnd(), message, wparam, lparam);
  }
}

bool VeskoSideWindow::pre_translate(MSG& msg) {
  if (hwnd() == nullptr || (msg.hwnd != hwnd() && IsChild(hwnd(), msg.hwnd) == FALSE)) return false;
  // Enter opens a row or confirms a box, Esc closes: the controls' own, no dialog default's.
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return false;
  return IsDialogMessageW(hwnd(), &msg) != FALSE;
}

}  // namespace korvint::hosts::win32
