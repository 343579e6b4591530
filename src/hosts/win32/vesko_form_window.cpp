#include "hosts/win32/vesko_form_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/query_help.h"
#include "app/vesko_form_events.h"
#include "hosts/win32/folder_dialog.h"
#include "hosts/win32/vesko_control_creation.h"
#include "hosts/win32/vesko_keyboard.h"
#include "hosts/win32/win32_controls.h"
#include "hosts/win32/window_geometry.h"
#include "platform/win32/win32_text.h"
#include "search/query.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

constexpr UINT kCatalogueSelectionMessage = WM_APP + 2;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

}  // namespace

VeskoFormWindow::VeskoFormWindow(int show_command) : TopLevelWindow(show_command) {
  // Pixels stay pixels on high-resolution screens; the layout scales itself by the DPI.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&common);
  ensure_com();  // the folder dialog and the file manager's shell calls
  dpi_ = screen_dpi().x;
  font_ = FontHandle(message_font());
  if (create(kVeskoWindowClass, kVeskoTitle, kWindowStyle, twips_to_pixels(kVeskoClientWidthTwips, dpi_),
             twips_to_pixels(kVeskoClientHeightTwips, dpi_))) {
    controls_ = create_vesko_controls(hwnd(), font_.get(), dpi_);
    tooltips_ = create_vesko_tooltips(hwnd(), controls_, dpi_);
    query_help_ = platform::win32::to_wide(app::kQueryHelp);
  }
  query_ = std::make_unique<Win32TextBox>(control(VeskoControlId::txtQuery));
  folder_ = std::make_unique<Win32Label>(control(VeskoControlId::lblFolder));
  status_ = std::make_unique<Win32Label>(control(VeskoControlId::lblStatus));
  catalogues_ = std::make_unique<VeskoListView>(control(VeskoControlId::lstCatalogues));
  results_ = std::make_unique<VeskoListView>(control(VeskoControlId::lstResults));
  lay_out();
}

VeskoFormWindow::~VeskoFormWindow() {
  vesko_ = nullptr;
  destroy();
}

void VeskoFormWindow::post(std::function<void()> task) {
  if (posted_.push(std::move(task))) PostMessageW(hwnd(), kRunPostedMessage, 0, 0);
}

void VeskoFormWindow::lay_out() {
  if (hwnd() == nullptr || controls_.empty()) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  for (const VeskoControlSpec& shape : vesko_controls()) {
    const PixelRect at = control_pixel_rect(shape, dpi_, dpi_, 1.0, client.right, client.bottom);
    MoveWindow(control(shape.id), at.left, at.top, at.width, at.height, TRUE);
  }
  // Controls that moved leave parts of the window that no control repaints.
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

std::optional<VeskoControlId> VeskoFormWindow::control_of(HWND window) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (window != nullptr && (controls_[i] == window || IsChild(controls_[i], window) != FALSE))
      return static_cast<VeskoControlId>(i);
  }
  return std::nullopt;
}

bool VeskoFormWindow::pre_translate(MSG& msg) { return handle_vesko_keyboard(*this, msg); }

LRESULT VeskoFormWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kRunPostedMessage: posted_.run_all(); return 0;
    case kFoldersChangedMessage:
      if (vesko_ != nullptr) app::on_folders_changed(*vesko_);
      return 0;
    case kCatalogueSelectionMessage:
      selection_change_posted_ = false;
      if (vesko_ != nullptr) app::on_selection_change(*vesko_, VeskoControlId::lstCatalogues);
      return 0;
    case WM_SIZE: lay_out(); return 0;
    case WM_GETMINMAXINFO: {
      const SIZE least = frame_size(kWindowStyle, twips_to_pixels(kVeskoMinWidthTwips, dpi_),
                                    twips_to_pixels(kVeskoMinHeightTwips, dpi_));
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = POINT{least.cx, least.cy};
      return 0;
    }
    case WM_SETFOCUS: SetFocus(control(VeskoControlId::txtQuery)); return 0;
    case WM_COMMAND: {
      if (vesko_ == nullptr) break;
      const auto from = control_of(reinterpret_cast<HWND>(lparam));
      if (from == VeskoControlId::txtQuery && HIWORD(wparam) == EN_CHANGE && !query_->quiet())
        app::on_change(*vesko_, *from);
      if (from == VeskoControlId::cmdFolder && HIWORD(wparam) == BN_CLICKED) app::on_click(*vesko_, *from);
      return 0;
    }
    case WM_NOTIFY: return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == control(VeskoControlId::lstResults)) {
        on_context_menu(lparam);
        return 0;
      }
      break;
    case WM_CLOSE: DestroyWindow(hwnd()); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

LRESULT VeskoFormWindow::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom == tooltips_ && header.code == TTN_GETDISPINFOW) {
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lparam);
    const auto id = control_of(reinterpret_cast<HWND>(info.hdr.idFrom));
    if (id == VeskoControlId::txtQuery) {
      info.lpszText = query_help_.data();
    } else if (id) {
      tip_text_ = platform::win32::to_wide(tooltip_text(vesko_control(*id), window_text(control(*id))));
      info.lpszText = tip_text_.data();
    }
    return 0;
  }
  if (vesko_ == nullptr) return 0;
  const auto from = control_of(header.hwndFrom);
  if (from != VeskoControlId::lstResults && from != VeskoControlId::lstCatalogues) return 0;
  const VeskoListView& list = *from == VeskoControlId::lstResults ? *results_ : *catalogues_;
  switch (header.code) {
    case LVN_GETDISPINFOW: list.fill(*reinterpret_cast<NMLVDISPINFOW*>(lparam)); return 0;
    case LVN_COLUMNCLICK:
      app::on_header_click(*vesko_, *from, reinterpret_cast<const NMLISTVIEW*>(lparam)->iSubItem);
      return 0;
    case NM_DBLCLK:
      if (reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem >= 0) app::on_double_click(*vesko_, *from);
      return 0;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
      // Many items change at once (Ctrl+A, Shift+click): the search runs once, after them.
      if (*from == VeskoControlId::lstCatalogues && !catalogues_->quiet && !selection_change_posted_) {
        selection_change_posted_ = true;
        PostMessageW(hwnd(), kCatalogueSelectionMessage, 0, 0);
      }
      return 0;
    default: return 0;
  }
}

void VeskoFormWindow::on_context_menu(LPARAM lparam) {
  HWND list = control(VeskoControlId::lstResults);
  if (lparam == -1) {
    // The keyboard's menu key: under the current row.
    const int item = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    RECT row{};
    if (item < 0 || ListView_GetItemRect(list, item, &row, LVIR_LABEL) == FALSE) return;
    POINT at{row.left, row.bottom};
    ClientToScreen(list, &at);
    menu_at_ = at;
  } else {
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ScreenToClient(list, &hit.pt);
    if (ListView_HitTest(list, &hit) < 0) return;
    ListView_SetItemState(list, hit.iItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    menu_at_ = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  }
  if (vesko_ != nullptr) app::on_context_menu(*vesko_, VeskoControlId::lstResults);
}

}  // namespace korvint::hosts::win32
