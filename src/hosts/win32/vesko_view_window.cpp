#include "hosts/win32/vesko_view_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <utility>

#include "hosts/win32/list_columns.h"
#include "hosts/win32/list_row_menu.h"
#include "hosts/win32/row_list_notify.h"
#include "hosts/win32/vesko_control_creation.h"
#include "hosts/win32/window_geometry.h"
#include "platform/win32/win32_text.h"
#include "ui/column_fit.h"
#include "ui/control_shape.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

// The window as drawn and at its smallest, in twips.
constexpr int kViewWidthTwips = 13200;
constexpr int kViewMinHeightTwips = 3600;
constexpr int kListId = 100;
constexpr int kFirstOptionId = 110;  // then one an option, in the row's order
constexpr int kOptionRowTwips = 330;

// The width `text` takes in `control`'s font, in pixels.
int text_width(HWND control, const std::wstring& text) {
  HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

std::wstring text_of(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

VeskoViewWindow::VeskoViewWindow(HWND owner, int dpi, ViewEvents& events)
    : VeskoSideWindow(dpi, kViewMinHeightTwips), events_(events) {
  if (!open(kVeskoViewWindowClass, owner, kViewWidthTwips)) return;
  // The options first: Tab follows the order the controls were made in, the row above the list.
  make_options(GetModuleHandleW(nullptr));
  list_hwnd_ = make_rows_list(kListId);
  status_hwnd_ = make_status_line();
  list_ = std::make_unique<VeskoListView>(list_hwnd_);
  list_->dpi = dpi;
  status_ = std::make_unique<Win32Label>(status_hwnd_);
  lay_out();
}

VeskoViewWindow::~VeskoViewWindow() { destroy(); }

void VeskoViewWindow::make_options(HINSTANCE instance) {
  struct Made {
    const wchar_t* kind;
    const wchar_t* caption;
    DWORD style;
    DWORD extended;
  };
  const Made made[kOptionCount] = {
      {L"STATIC", L"&By:", SS_LEFT | SS_CENTERIMAGE, 0},
      {WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 0},
      {L"BUTTON", L"Ignore &dates", BS_AUTOCHECKBOX | WS_TABSTOP, 0},
      {L"BUTTON", L"List every file in &missing folders", BS_AUTOCHECKBOX | WS_TABSTOP, 0},
      {L"STATIC", L"Folder of &A:", SS_LEFT | SS_CENTERIMAGE, 0},
      {L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE},
      {L"STATIC", L"Folder of B:", SS_LEFT | SS_CENTERIMAGE, 0},
      {L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE},
  };
  for (int i = 0; i < kOptionCount; ++i) {
    options_[i] = CreateWindowExW(made[i].extended, made[i].kind, made[i].caption, WS_CHILD | made[i].style, 0, 0, 10,
                                  10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstOptionId + i)),
                                  instance, nullptr);
    use_font(options_[i]);
  }
  for (const std::string_view choice : duplicate_key_choices())
    SendMessageW(options_[kBy], CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(platform::win32::to_wide(choice).c_str()));
  SendMessageW(options_[kBy], CB_SETCURSEL, 0, 0);
  for (const Option box : {kFolderA, kFolderB}) {
    SendMessageW(options_[box], EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"(the root)"));
    SetWindowSubclass(options_[box], folder_box_proc, 0, reinterpret_cast<DWORD_PTR>(this));
  }
}

LRESULT CALLBACK VeskoViewWindow::folder_box_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                                  DWORD_PTR window) {
  if (message == WM_KEYDOWN && wparam == VK_RETURN) {
    reinterpret_cast<VeskoViewWindow*>(window)->events_.view_OptionsChange();
    return 0;
  }
  if (message == WM_CHAR && (wparam == L'\r' || wparam == L'\n')) return 0;  // no beep
  if (message == WM_NCDESTROY) RemoveWindowSubclass(box, folder_box_proc, 0);
  return DefSubclassProc(box, message, wparam, lparam);
}

void VeskoViewWindow::showOptions(const ViewOptions& options) {
  comparison_ = options.comparison;
  for (int i = 0; i < kOptionCount; ++i) {
    const bool of_duplicates = i == kByLabel || i == kBy;
    ShowWindow(options_[i], of_duplicates != options.comparison ? SW_SHOW : SW_HIDE);
  }
  SendMessageW(options_[kBy], CB_SETCURSEL, static_cast<WPARAM>(options.by), 0);
  Button_SetCheck(options_[kIgnoreDate], options.ignore_date ? BST_CHECKED : BST_UNCHECKED);
  Button_SetCheck(options_[kAll], options.all ? BST_CHECKED : BST_UNCHECKED);
  SetWindowTextW(options_[kFolderA], platform::win32::to_wide(options.folder_a).c_str());
  SetWindowTextW(options_[kFolderB], platform::win32::to_wide(options.folder_b).c_str());
  lay_out();
}

ViewOptions VeskoViewWindow::options() const {
  ViewOptions options;
  options.comparison = comparison_;
  options.by = std::max(0, static_cast<int>(SendMessageW(options_[kBy], CB_GETCURSEL, 0, 0)));
  options.ignore_date = Button_GetCheck(options_[kIgnoreDate]) == BST_CHECKED;
  options.all = Button_GetCheck(options_[kAll]) == BST_CHECKED;
  for (const auto& [box, folder] : {std::pair{kFolderA, &options.folder_a}, std::pair{kFolderB, &options.folder_b}}) {
    std::wstring text = text_of(options_[box]);
    const auto first = text.find_first_not_of(L" \t");
    const auto last = text.find_last_not_of(L" \t");
    *folder = first == std::wstring::npos ? std::string() : platform::win32::to_utf8(text.substr(first, last - first + 1));
  }
  return options;
}

void VeskoViewWindow::restore_place(const PixelRect& rect, bool maximized) { place(rect, maximized); }

void VeskoViewWindow::rescale_contents(int from, int to) {
  if (list_hwnd_ == nullptr) return;
  rescale_header(ListView_GetHeader(list_hwnd_), from, to);
  list_->dpi = to;
}

bool VeskoViewWindow::pre_translate(MSG& msg) {
  if (hwnd() == nullptr || (msg.hwnd != hwnd() && IsChild(hwnd(), msg.hwnd) == FALSE)) return false;
  // Esc closes the window from an option too (the list says it itself), unless it closes an open drop-down.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && msg.hwnd != list_hwnd_ &&
      SendMessageW(options_[kBy], CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    return true;
  }
  return VeskoSideWindow::pre_translate(msg);
}

int VeskoViewWindow::options_height() const { return twips_to_pixels(kOptionRowTwips, dpi()); }

void VeskoViewWindow::showView(std::string_view title, std::span<const VeskoColumn> columns) {
  if (hwnd() == nullptr) return;
  SetWindowTextW(hwnd(), platform::win32::to_wide(title).c_str());
  if (columns.data() != columns_.data()) {
    list_->setRows(nullptr);
    while (ListView_DeleteColumn(list_hwnd_, 0) != FALSE) {
    }
    add_table_columns(list_hwnd_, columns, dpi());
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
  const int margin = this->margin();
  const int status = status_height();
  const int width = client.right - 2 * margin;
  const int row = options_height();
  // The options: labels and check boxes as wide as their texts, the folder boxes share the rest.
  const int gap = twips_to_pixels(120, dpi());
  const int check = GetSystemMetrics(SM_CXMENUCHECK) + twips_to_pixels(120, dpi());
  // Shown by the view (the window itself may be hidden still).
  const auto shown = [this](int i) { return (GetWindowLongW(options_[i], GWL_STYLE) & WS_VISIBLE) != 0; };
  const auto is_folder = [](int i) { return i == kFolderALabel || i == kFolderA || i == kFolderBLabel || i == kFolderB; };
  auto width_of = [&](int i) {
    switch (i) {
      case kBy: return twips_to_pixels(2200, dpi());
      case kIgnoreDate:
      case kAll: return text_width(options_[i], text_of(options_[i])) + check;
      case kFolderA:
      case kFolderB: return 0;
      default: return text_width(options_[i], text_of(options_[i]));
    }
  };
  // The width the folder boxes get when the options on line `line` are put there.
  const auto box_width_on = [&](auto on_line) {
    int fixed = 0;
    int boxes = 0;
    for (int i = 0; i < kOptionCount; ++i) {
      if (!shown(i) || !on_line(i)) continue;
      if (i == kFolderA || i == kFolderB) ++boxes;
      else fixed += width_of(i) + gap;
    }
    return boxes == 0 ? 0 : (width - fixed - gap * boxes) / boxes;
  };
  // One line while the folder boxes keep a useful width there, else the folders on a line of their own.
  const int least_box = twips_to_pixels(1800, dpi());
  int box_width = box_width_on([](int) { return true; });
  const bool two_lines = shown(kFolderA) && box_width < least_box;
  if (two_lines) box_width = box_width_on(is_folder);
  box_width = std::max(twips_to_pixels(900, dpi()), box_width);
  int x = margin;
  int y = margin;
  for (int i = 0; i < kOptionCount; ++i) {
    if (!shown(i)) continue;
    if (two_lines && i == kFolderALabel) {
      x = margin;
      y += row + margin;
    }
    const int w = (i == kFolderA || i == kFolderB) ? box_width : width_of(i);
    // A drop-down's height is its list's when open.
    const int h = i == kBy ? row * 8 : row;
    MoveWindow(options_[i], x, y, w, h, TRUE);
    x += w + gap;
  }
  const int list_top = y + row + margin;
  const int list_height = client.bottom - status - list_top - margin * 2;
  MoveWindow(list_hwnd_, margin, list_top, width, list_height, TRUE);
  MoveWindow(status_hwnd_, margin, list_top + list_height + margin, width, status, TRUE);
  // The column that takes the spare width takes it, at least its least,
  // leaving room for a vertical scroll bar before it comes.
  if (list_->elided_column >= 0) {
    list_->give_spare_width(list_->elided_column,
                            spare_least_width(columns_[static_cast<std::size_t>(list_->elided_column)], dpi()));
  }
  // Every row again: the shortened texts were made for the old width.
  InvalidateRect(list_hwnd_, nullptr, TRUE);
  InvalidateRect(status_hwnd_, nullptr, TRUE);
}

LRESULT VeskoViewWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE: lay_out(); return 0;
    case WM_SETFOCUS: SetFocus(list_hwnd_); return 0;
    case WM_NOTIFY: return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_COMMAND: on_command(wparam, lparam); return 0;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == list_hwnd_) {
        on_context_menu(lparam);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Hidden, not destroyed: the next view shows in it again. Closed first:
      // a folder box that loses the focus as the window hides changes nothing.
      events_.view_Closed();
      ShowWindow(hwnd(), SW_HIDE);
      return 0;
    default: break;
  }
  return on_common_message(message, wparam, lparam);
}

void VeskoViewWindow::on_command(WPARAM wparam, LPARAM lparam) {
  const HWND from = reinterpret_cast<HWND>(lparam);
  const WORD code = HIWORD(wparam);
  // The user's changes only: the program's own settings send none of these.
  const bool changed = (from == options_[kBy] && code == CBN_SELCHANGE) ||
                       ((from == options_[kIgnoreDate] || from == options_[kAll]) && code == BN_CLICKED) ||
                       ((from == options_[kFolderA] || from == options_[kFolderB]) && code == EN_KILLFOCUS);
  if (changed) events_.view_OptionsChange();
}

LRESULT VeskoViewWindow::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom != list_hwnd_) return 0;
  return on_row_list_notify(hwnd(), list_hwnd_, *list_, header, lparam,
                            {[this](int column) { events_.view_HeaderClick(column); }, [this] { events_.view_Open(); },
                             [this] { events_.view_Copy(); }});
}

void VeskoViewWindow::on_context_menu(LPARAM lparam) {
  if (select_row_for_menu(list_hwnd_, lparam)) events_.view_ContextMenu();
}

}  // namespace korvint::hosts::win32
