#include "hosts/win32/vesko_view_window.h"

#include <commctrl.h>

#include "hosts/win32/list_row_menu.h"
#include "hosts/win32/vesko_control_creation.h"
#include "hosts/win32/window_geometry.h"
#include "platform/win32/win32_text.h"
#include "ui/control_shape.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// The window as drawn and at its smallest, in twips; the status line's height.
constexpr int kViewWidthTwips = 13200;
constexpr int kViewMinHeightTwips = 3600;
constexpr int kStatusTwips = 360;
constexpr int kMarginTwips = 90;
constexpr int kListId = 100;

}  // namespace

VeskoViewWindow::VeskoViewWindow(HWND owner, int dpi, ViewEvents& events)
    : TopLevelWindow(SW_SHOWNORMAL), events_(events), dpi_(dpi), font_(message_font(dpi)) {
  if (!create(kVeskoViewWindowClass, "Vesko", kWindowStyle, twips_to_pixels(kViewWidthTwips, dpi),
              twips_to_pixels(kVeskoClientHeightTwips, dpi)))
    return;
  // Owned by the main window: above it, minimised and closed with it.
  SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  list_hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0,
                               0, 10, 10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance,
                               nullptr);
  status_hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS,
                                 0, 0, 10, 10, hwnd(), nullptr, instance, nullptr);
  for (HWND control : {list_hwnd_, status_hwnd_})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  list_ = std::make_unique<VeskoListView>(list_hwnd_);
  list_->dpi = dpi;
  status_ = std::make_unique<Win32Label>(status_hwnd_);
  lay_out();
}

VeskoViewWindow::~VeskoViewWindow() { destroy(); }

void VeskoViewWindow::showView(std::string_view title, std::span<const VeskoColumn> columns) {
  if (hwnd() == nullptr) return;
  SetWindowTextW(hwnd(), platform::win32::to_wide(title).c_str());
  if (columns.data() != columns_.data()) {
    list_->setRows(nullptr);
    while (ListView_DeleteColumn(list_hwnd_, 0) != FALSE) {
    }
    add_table_columns(list_hwnd_, columns, dpi_);
    list_->elided_column = -1;
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (columns[i].takes_spare_width) list_->elided_column = static_cast<int>(i);
    columns_ = columns;
    lay_out();
  }
  show();
  SetForegroundWindow(hwnd());
  SetFocus(list_hwnd_);
}

void VeskoViewWindow::lay_out() {
  if (list_hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int margin = twips_to_pixels(kMarginTwips, dpi_);
  const int status = twips_to_pixels(kStatusTwips, dpi_);
  const int width = client.right - 2 * margin;
  const int list_height = client.bottom - status - 3 * margin;
  MoveWindow(list_hwnd_, margin, margin, width, list_height, TRUE);
  MoveWindow(status_hwnd_, margin, margin * 2 + list_height, width, status, TRUE);
  // The column that takes the spare width takes it, at least its own,
  // leaving room for a vertical scroll bar before it comes.
  if (list_->elided_column >= 0) {
    RECT inside{};
    GetClientRect(list_hwnd_, &inside);
    int room = inside.right;
    if ((GetWindowLongPtrW(list_hwnd_, GWL_STYLE) & WS_VSCROLL) == 0) room -= GetSystemMetrics(SM_CXVSCROLL);
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (static_cast<int>(i) != list_->elided_column) room -= ListView_GetColumnWidth(list_hwnd_, static_cast<int>(i));
    const int own = twips_to_pixels(columns_[static_cast<std::size_t>(list_->elided_column)].width, dpi_);
    ListView_SetColumnWidth(list_hwnd_, list_->elided_column, std::max(own, room));
  }
  // Every row again: the shortened texts were made for the old width.
  InvalidateRect(list_hwnd_, nullptr, TRUE);
  InvalidateRect(status_hwnd_, nullptr, TRUE);
}

LRESULT VeskoViewWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE: lay_out(); return 0;
    case WM_GETMINMAXINFO: {
      const SIZE least = frame_size(kWindowStyle, twips_to_pixels(kVeskoMinWidthTwips, dpi_),
                                    twips_to_pixels(kViewMinHeightTwips, dpi_));
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = POINT{least.cx, least.cy};
      return 0;
    }
    case WM_SETFOCUS: SetFocus(list_hwnd_); return 0;
    case WM_NOTIFY: return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == list_hwnd_) {
        on_context_menu(lparam);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Hidden, not destroyed: the next view shows in it again.
      ShowWindow(hwnd(), SW_HIDE);
      events_.view_Closed();
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

LRESULT VeskoViewWindow::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom != list_hwnd_) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: list_->fill(*reinterpret_cast<NMLVDISPINFOW*>(lparam)); return 0;
    case NM_DBLCLK:
      if (reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem >= 0) events_.view_Open();
      return 0;
    case NM_RETURN: events_.view_Open(); return 0;
    case LVN_KEYDOWN: {
      const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey;
      const bool ctrl = GetKeyState(VK_CONTROL) < 0;
      if (key == 'C' && ctrl) events_.view_Copy();
      if (key == 'A' && ctrl) ListView_SetItemState(list_hwnd_, -1, LVIS_SELECTED, LVIS_SELECTED);
      if (key == VK_ESCAPE) PostMessageW(hwnd(), WM_CLOSE, 0, 0);
      return 0;
    }
    default: return 0;
  }
}

void VeskoViewWindow::on_context_menu(LPARAM lparam) {
  if (select_row_for_menu(list_hwnd_, lparam)) events_.view_ContextMenu();
}

}  // namespace korvint::hosts::win32
