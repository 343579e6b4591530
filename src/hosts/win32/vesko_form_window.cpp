#include "hosts/win32/vesko_form_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "app/query_help.h"
#include "app/vesko_form_events.h"
#include "app/vesko_window_start.h"
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

VeskoFormWindow::VeskoFormWindow(int show_command)
    : TopLevelWindow(show_command),
      splitter_(SplitterDrag::Axis::Down,
                {.on_bar = [this](POINT at) { return on_splitter(at); },
                 .edge =
                     [this] {
                       const PixelRect& above = placed_[static_cast<std::size_t>(VeskoControlId::lstCatalogues)];
                       return above.top + above.height;
                     },
                 .moved =
                     [this](int bottom) {
                       RECT client{};
                       GetClientRect(hwnd(), &client);
                       const int top = placed_[static_cast<std::size_t>(VeskoControlId::lstCatalogues)].top;
                       split_ = clamp_catalogue_height(bottom - top, dpi_, client.bottom);
                       lay_out();
                     }}) {
  // Pixels stay pixels on high-resolution screens; the layout scales itself by the DPI.
  // Without the manifest's per-monitor awareness (a program that embeds
  // none), at least the primary screen's resolution.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&common);
  ensure_com();  // the folder dialog and the file manager's shell calls
  dpi_ = screen_dpi().x;
  font_ = FontHandle(message_font(dpi_));
  if (create(kVeskoWindowClass, kVeskoTitle, kWindowStyle, twips_to_pixels(kVeskoFirstWidthTwips, dpi_),
             twips_to_pixels(kVeskoFirstHeightTwips, dpi_))) {
    controls_ = create_vesko_controls(hwnd(), font_.get(), dpi_);
    tooltips_ = create_vesko_tooltips(hwnd(), controls_, dpi_);
    query_tip_ = platform::win32::to_wide(app::kQueryTooltip);
  }
  // A tooltip open over a label shows its new caption at once.
  const auto retip = [this] {
    if (tooltips_ != nullptr) SendMessageW(tooltips_, TTM_UPDATE, 0, 0);
  };
  query_ = std::make_unique<Win32TextBox>(control(VeskoControlId::txtQuery));
  folder_ = std::make_unique<Win32Label>(control(VeskoControlId::lblFolder), retip);
  status_ = std::make_unique<Win32Label>(control(VeskoControlId::lblStatus), retip);
  catalogues_ = std::make_unique<VeskoListView>(control(VeskoControlId::lstCatalogues));
  results_ = std::make_unique<VeskoListView>(control(VeskoControlId::lstResults));
  for (VeskoListView* list : {catalogues_.get(), results_.get()}) {
    const auto columns = list == results_.get() ? result_columns() : catalogue_columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (columns[i].takes_spare_width) list->elided_column = static_cast<int>(i);
    list->dpi = dpi_;
    list->set_columns(columns);
  }
  // The window opened on a monitor of another resolution than the primary one.
  if (hwnd() != nullptr && window_dpi(hwnd()) != dpi_) apply_dpi(window_dpi(hwnd()));
  // Centred on its monitor until restore() puts it where it was left.
  if (hwnd() != nullptr)
    place_first(hwnd(),
                frame_size(kWindowStyle, twips_to_pixels(kVeskoFirstWidthTwips, dpi_),
                           twips_to_pixels(kVeskoFirstHeightTwips, dpi_)),
                frame_size(kWindowStyle, twips_to_pixels(kVeskoMinWidthTwips, dpi_),
                           twips_to_pixels(kVeskoMinHeightTwips, dpi_)),
                twips_to_pixels(kFirstPlaceMarginTwips, dpi_));
  lay_out();
}

VeskoFormWindow::~VeskoFormWindow() {
  vesko_ = nullptr;
  delayed_.clear();  // no timer posts to the window once it is gone
  destroy();
}

void VeskoFormWindow::post(std::function<void()> task) {
  if (posted_.push(std::move(task))) PostMessageW(hwnd(), kRunPostedMessage, 0, 0);
}

void VeskoFormWindow::post_after(std::chrono::milliseconds delay, std::function<void()> task) {
  delayed_.add(hwnd(), delay, std::move(task));
}

void VeskoFormWindow::drop_posted() {
  posted_.clear();
  delayed_.clear();
}

void VeskoFormWindow::lay_out() {
  if (hwnd() == nullptr || controls_.empty()) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  // A minimized window has no client area: the layout stays as it was.
  if (client.right <= 0 || client.bottom <= 0) return;
  placed_ = vesko_pixel_layout(dpi_, client.right, client.bottom, split_);
  for (const VeskoControlShape& shape : vesko_controls()) {
    const PixelRect& at = placed_[static_cast<std::size_t>(shape.id)];
    MoveWindow(control(shape.id), at.left, at.top, at.width, at.height, TRUE);
  }
  fit_columns();
  // Controls that moved leave parts of the window that no control repaints.
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void VeskoFormWindow::fit_columns() {
  for (VeskoListView* list : {catalogues_.get(), results_.get()})
    if (list != nullptr) list->fit_to_texts();
}

void VeskoFormWindow::apply_dpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_ || controls_.empty()) return;
  for (VeskoListView* list : {catalogues_.get(), results_.get()}) {
    HWND header = ListView_GetHeader(list->hwnd());
    for (int i = 0, count = Header_GetItemCount(header); i < count; ++i)
      ListView_SetColumnWidth(list->hwnd(), i, rescale(ListView_GetColumnWidth(list->hwnd(), i), dpi_, dpi));
    list->dpi = dpi;
  }
  if (split_) split_ = rescale(*split_, dpi_, dpi);
  dpi_ = dpi;
  FontHandle font(message_font(dpi));
  for (HWND child : controls_) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);
  if (tooltips_ != nullptr) SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, twips_to_pixels(9000, dpi));
}

VeskoWindowMemory VeskoFormWindow::memory() const {
  VeskoWindowMemory memory;
  memory.dpi = dpi_;
  if (hwnd() != nullptr) {
    const auto [rect, maximized] = normal_place(hwnd());
    if (rect.width > 0 && rect.height > 0) memory.rect = rect;
    memory.maximized = maximized;
  }
  if (!placed_.empty()) memory.split = placed_[static_cast<std::size_t>(VeskoControlId::lstCatalogues)].height;
  // Only the widths the user gave: the others fit their texts at the next start too.
  memory.result_widths = results_->user_widths();
  memory.catalogue_widths = catalogues_->user_widths();
  if (vesko_ != nullptr) {
    if (const auto sort = vesko_->session().results_sort()) {
      memory.sort_column = sort->first;
      memory.sort_descending = sort->second;
    }
    if (const auto sort = vesko_->session().catalogue_sort()) {
      memory.catalogue_sort_column = sort->first;
      memory.catalogue_sort_descending = sort->second;
    }
  }
  return memory;
}

void VeskoFormWindow::restore(const VeskoWindowMemory& remembered) {
  if (hwnd() == nullptr || controls_.empty()) return;
  const VeskoWindowMemory memory = at_dpi(remembered, dpi_);
  results_->restore_user_widths(memory.result_widths);
  catalogues_->restore_user_widths(memory.catalogue_widths);
  split_ = memory.split;
  if (memory.rect) {
    const SIZE least = frame_size(kWindowStyle, twips_to_pixels(kVeskoMinWidthTwips, dpi_),
                                  twips_to_pixels(kVeskoMinHeightTwips, dpi_));
    const PixelRect placed = on_work_area(*memory.rect, least);
    SetWindowPos(hwnd(), nullptr, placed.left, placed.top, placed.width, placed.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (memory.maximized) first_show_as(SW_SHOWMAXIMIZED);
  if (memory.sort_column && vesko_ != nullptr)
    vesko_->session().restore_sort(*memory.sort_column, memory.sort_descending);
  if (memory.catalogue_sort_column && vesko_ != nullptr)
    vesko_->session().restore_catalogue_sort(*memory.catalogue_sort_column, memory.catalogue_sort_descending);
  lay_out();
}

bool VeskoFormWindow::on_splitter(POINT at) const {
  if (placed_.empty()) return false;
  const PixelRect& above = placed_[static_cast<std::size_t>(VeskoControlId::lstCatalogues)];
  const PixelRect& below = placed_[static_cast<std::size_t>(VeskoControlId::lstResults)];
  return at.x >= above.left && at.x < above.left + above.width && at.y >= above.top + above.height &&
         at.y < below.top;
}

LRESULT VeskoFormWindow::draw_catalogue(NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  HWND list = catalogues_->hwnd();
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT || GetFocus() == list) return CDRF_DODEFAULT;
  const auto item = static_cast<int>(draw.nmcd.dwItemSpec);
  if ((ListView_GetItemState(list, item, LVIS_SELECTED) & LVIS_SELECTED) == 0) return CDRF_DODEFAULT;
  // The selection restricts the search: it keeps its colour when the list
  // loses the focus, rather than the pale grey that looks like none.
  draw.nmcd.uItemState &= ~CDIS_SELECTED;
  draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
  return CDRF_NEWFONT;
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
  if (const auto answer = splitter_.on_message(hwnd(), message, wparam, lparam)) return *answer;
  switch (message) {
    case kRunPostedMessage: posted_.run_all(); return 0;
    case kRunDelayedMessage: delayed_.run(wparam); return 0;
    case kFoldersChangedMessage:
      if (vesko_ != nullptr) app::on_folders_changed(*vesko_);
      return 0;
    case kCatalogueSelectionMessage:
      selection_change_posted_ = false;
      if (vesko_ != nullptr) app::on_selection_change(*vesko_, VeskoControlId::lstCatalogues);
      return 0;
    case WM_SIZE: lay_out(); return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another resolution, or its scale changed.
      const DpiChange change = dpi_change(wparam, lparam);
      apply_dpi(change.dpi);
      const RECT& at = change.suggested;
      SetWindowPos(hwnd(), nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      lay_out();
      return 0;
    }
    case WM_GETMINMAXINFO:
      keep_least_client_size(lparam, kWindowStyle, twips_to_pixels(kVeskoMinWidthTwips, dpi_),
                             twips_to_pixels(kVeskoMinHeightTwips, dpi_));
      return 0;
    case WM_SETFOCUS: SetFocus(control(VeskoControlId::txtQuery)); return 0;
    case WM_COMMAND: {
      if (vesko_ == nullptr) break;
      const auto from = control_of(reinterpret_cast<HWND>(lparam));
      if (from == VeskoControlId::txtQuery && HIWORD(wparam) == EN_CHANGE && !query_->quiet())
        app::on_change(*vesko_, *from);
      if ((from == VeskoControlId::cmdFolder || from == VeskoControlId::cmdHelp) && HIWORD(wparam) == BN_CLICKED)
        app::on_click(*vesko_, *from);
      return 0;
    }
    case WM_NOTIFY: return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == control(VeskoControlId::lstResults)) {
        on_context_menu(lparam);
        return 0;
      }
      if (reinterpret_cast<HWND>(wparam) == control(VeskoControlId::lstCatalogues)) {
        // The catalogues' menu (duplicates, compare) at the pointer, over the row the click selected.
        if (vesko_ != nullptr) app::on_context_menu(*vesko_, VeskoControlId::lstCatalogues);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (on_close) on_close();
      DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

LRESULT VeskoFormWindow::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.code == NM_CUSTOMDRAW && catalogues_ != nullptr && header.hwndFrom == catalogues_->hwnd())
    return draw_catalogue(*reinterpret_cast<NMLVCUSTOMDRAW*>(lparam));
  if (header.hwndFrom == tooltips_ && header.code == TTN_GETDISPINFOW) {
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lparam);
    const auto id = control_of(reinterpret_cast<HWND>(info.hdr.idFrom));
    if (id == VeskoControlId::txtQuery) {
      info.lpszText = query_tip_.data();
    } else if (id) {
      tip_text_ = platform::win32::to_wide(tooltip_text(vesko_control(*id), window_text(control(*id))));
      info.lpszText = tip_text_.data();
    }
    return 0;
  }
  if (vesko_ == nullptr) return 0;
  const auto from = control_of(header.hwndFrom);
  if (from != VeskoControlId::lstResults && from != VeskoControlId::lstCatalogues) return 0;
  VeskoListView& list = *from == VeskoControlId::lstResults ? *results_ : *catalogues_;
  switch (header.code) {
    case HDN_ITEMCHANGEDW:
    case HDN_ENDTRACKW:
    case HDN_DIVIDERDBLCLICKW:
      // From the list's header: a column sized by the user or by the program.
      if (header.hwndFrom == ListView_GetHeader(list.hwnd())) list.on_header_notify(*reinterpret_cast<const NMHEADERW*>(lparam));
      return 0;
    case LVN_GETDISPINFOW: list.fill(*reinterpret_cast<NMLVDISPINFOW*>(lparam)); return 0;
    case LVN_COLUMNCLICK:
      app::on_header_click(*vesko_, *from, reinterpret_cast<const NMLISTVIEW*>(lparam)->iSubItem);
      return 0;
    case NM_DBLCLK:
      if (reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem >= 0) app::on_double_click(*vesko_, *from);
      return 0;
    case NM_SETFOCUS:
    case NM_KILLFOCUS:
      // The selection's colours change with the focus (draw_catalogue).
      if (*from == VeskoControlId::lstCatalogues) InvalidateRect(header.hwndFrom, nullptr, FALSE);
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
