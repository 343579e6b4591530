#include "hosts/win32/vesko_window.h"

#include <commctrl.h>
#include <shlobj.h>
#include <windowsx.h>

#include "app/query_help.h"
#include "platform/win32/win32_text.h"

namespace korvint::ui::win32 {
namespace {

using platform::win32::to_utf8;
using platform::win32::to_wide;

constexpr UINT kCatalogueSelectionMessage = WM_APP + 2;
constexpr int kFirstControlId = 100;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

void register_window_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kVeskoWindowClass, &existing) != FALSE) return;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kVeskoWindowClass;
  RegisterClassExW(&window_class);
}

int screen_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The font dialogs and messages use on this system.
HFONT message_font() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE)
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

// The outer size of a window whose client area is `width` by `height`.
SIZE frame_size(int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// The folder dialog opens at the folder it was given.
int CALLBACK browse_callback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

VeskoWin32Window::VeskoWin32Window(app::VeskoWindowOptions options, std::vector<std::string> places,
                                   std::string default_folder, jobs::VeskoServices services, int show_command)
    : show_command_(show_command) {
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&common);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  dpi_ = screen_dpi();
  font_ = FontHandle(message_font());
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  register_window_class(instance, &VeskoWin32Window::procedure);
  const SIZE size = frame_size(vesko_pixels(kVeskoClientWidthTwips, dpi_), vesko_pixels(kVeskoClientHeightTwips, dpi_));
  CreateWindowExW(0, kVeskoWindowClass, to_wide(kVeskoTitle).c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  size.cx, size.cy, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr) return;
  create_controls();
  query_ = std::make_unique<VeskoEdit>(control(VeskoControlId::txtQuery));
  folder_ = std::make_unique<VeskoStatic>(control(VeskoControlId::lblFolder));
  status_ = std::make_unique<VeskoStatic>(control(VeskoControlId::lblStatus));
  catalogues_ = std::make_unique<VeskoListView>(control(VeskoControlId::lstCatalogues));
  results_ = std::make_unique<VeskoListView>(control(VeskoControlId::lstResults));
  form_ = std::make_unique<VeskoForm>(VeskoForm{*query_, *folder_, *catalogues_, *results_, *status_, *this});
  vesko_ = std::make_unique<app::VeskoWindow>(*form_, std::move(options), std::move(places),
                                              std::move(default_folder), std::move(services));
  lay_out();
}

VeskoWin32Window::~VeskoWin32Window() {
  vesko_.reset();
  posted_.clear();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void VeskoWin32Window::create_controls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const VeskoControlSpec& shape : vesko_controls()) {
    const wchar_t* window_class = WC_STATICW;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD extended = 0;
    switch (shape.kind) {
      case VeskoKind::TextBox:
        window_class = WC_EDITW;
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        extended = WS_EX_CLIENTEDGE;
        break;
      case VeskoKind::Label: style |= SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS | SS_NOTIFY; break;
      case VeskoKind::Button:
        window_class = WC_BUTTONW;
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case VeskoKind::Table:
        window_class = WC_LISTVIEWW;
        style |= WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
        if (shape.id == VeskoControlId::lstResults) style |= LVS_SINGLESEL;
        extended = WS_EX_CLIENTEDGE;
        break;
    }
    HWND child = CreateWindowExW(extended, window_class, to_wide(shape.caption).c_str(), style, 0, 0, 10, 10, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(shape.id))),
                                 instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    controls_.push_back(child);
    if (shape.kind != VeskoKind::Table) continue;
    ListView_SetExtendedListViewStyle(child, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
    const auto columns = shape.id == VeskoControlId::lstResults ? result_columns() : catalogue_columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      std::wstring title = to_wide(columns[i].title);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = columns[i].right_aligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
      column.cx = vesko_pixels(columns[i].width, dpi_);
      column.pszText = title.data();
      ListView_InsertColumn(child, static_cast<int>(i), &column);
    }
  }

  // The query language as the query box's tooltip; the status line's shows its whole text.
  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance,
                              nullptr);
  SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, vesko_pixels(9000, dpi_));
  SendMessageW(tooltips_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
  query_help_ = to_wide(app::kQueryHelp);
  for (const VeskoControlId id : {VeskoControlId::txtQuery, VeskoControlId::lblStatus}) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(control(id));
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void VeskoWin32Window::lay_out() {
  if (hwnd_ == nullptr || controls_.empty()) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  for (const VeskoControlSpec& shape : vesko_controls()) {
    const VeskoRect at = vesko_control_rect(shape, client.right, client.bottom, dpi_);
    MoveWindow(control(shape.id), at.left, at.top, at.width, at.height, TRUE);
  }
  // Controls that moved leave parts of the window that no control repaints.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

std::optional<VeskoControlId> VeskoWin32Window::control_of(HWND window) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (window != nullptr && (controls_[i] == window || IsChild(controls_[i], window) != FALSE))
      return static_cast<VeskoControlId>(i);
  }
  return std::nullopt;
}

LRESULT CALLBACK VeskoWin32Window::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  VeskoWin32Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<VeskoWin32Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<VeskoWin32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->on_message(message, wparam, lparam);
}

LRESULT VeskoWin32Window::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kRunPostedMessage: posted_.run_all(); return 0;
    case kFoldersChangedMessage:
      if (vesko_) vesko_->session().catalogues_changed();
      return 0;
    case kCatalogueSelectionMessage:
      selection_change_posted_ = false;
      if (vesko_) vesko_->session().lstCatalogues_SelectionChange();
      return 0;
    case WM_SIZE: lay_out(); return 0;
    case WM_GETMINMAXINFO: {
      const SIZE least = frame_size(vesko_pixels(kVeskoMinWidthTwips, dpi_), vesko_pixels(kVeskoMinHeightTwips, dpi_));
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = POINT{least.cx, least.cy};
      return 0;
    }
    case WM_SETFOCUS: SetFocus(control(VeskoControlId::txtQuery)); return 0;
    case WM_COMMAND: {
      if (!vesko_) break;
      const auto from = control_of(reinterpret_cast<HWND>(lparam));
      if (from == VeskoControlId::txtQuery && HIWORD(wparam) == EN_CHANGE && !query_->quiet)
        vesko_->session().txtQuery_Change();
      if (from == VeskoControlId::cmdFolder && HIWORD(wparam) == BN_CLICKED) vesko_->cmdFolder_Click();
      return 0;
    }
    case WM_NOTIFY: return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == control(VeskoControlId::lstResults)) {
        on_context_menu(lparam);
        return 0;
      }
      break;
    case WM_CLOSE: DestroyWindow(hwnd_); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT VeskoWin32Window::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom == tooltips_ && header.code == TTN_GETDISPINFOW) {
    auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lparam);
    if (reinterpret_cast<HWND>(info.hdr.idFrom) == control(VeskoControlId::lblStatus)) {
      status_tip_ = to_wide(vesko_window_text(control(VeskoControlId::lblStatus)));
      info.lpszText = status_tip_.data();
    } else {
      info.lpszText = query_help_.data();
    }
    return 0;
  }
  if (!vesko_) return 0;
  const auto from = control_of(header.hwndFrom);
  if (!from) return 0;
  VeskoListView& list = *from == VeskoControlId::lstResults ? *results_ : *catalogues_;
  switch (header.code) {
    case LVN_GETDISPINFOW: list.fill(*reinterpret_cast<NMLVDISPINFOW*>(lparam)); return 0;
    case LVN_COLUMNCLICK:
      if (*from == VeskoControlId::lstResults)
        vesko_->session().lstResults_HeaderClick(reinterpret_cast<const NMLISTVIEW*>(lparam)->iSubItem);
      return 0;
    case NM_DBLCLK:
      if (*from == VeskoControlId::lstResults && reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem >= 0)
        vesko_->session().lstResults_Open();
      return 0;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
      // Many items change at once (Ctrl+A, Shift+click): the search runs once, after them.
      if (*from == VeskoControlId::lstCatalogues && !catalogues_->quiet && !selection_change_posted_) {
        selection_change_posted_ = true;
        PostMessageW(hwnd_, kCatalogueSelectionMessage, 0, 0);
      }
      return 0;
    default: return 0;
  }
}

void VeskoWin32Window::on_context_menu(LPARAM lparam) {
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
  vesko_->session().lstResults_ContextMenu();
}

bool VeskoWin32Window::pre_translate(MSG& msg) {
  if (hwnd_ == nullptr || !vesko_ || (msg.hwnd != hwnd_ && IsChild(hwnd_, msg.hwnd) == FALSE)) return false;
  const auto focus = control_of(GetFocus()).value_or(VeskoControlId::txtQuery);
  std::optional<app::VeskoKey> key;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (msg.message == WM_KEYDOWN) {
    switch (msg.wParam) {
      case 'F':
        if (ctrl) key = app::VeskoKey::FindQuery;
        break;
      case VK_ESCAPE: key = app::VeskoKey::Escape; break;
      case VK_DOWN: key = app::VeskoKey::Down; break;
      case VK_RETURN: key = app::VeskoKey::Enter; break;
      case VK_F5: key = app::VeskoKey::Reload; break;
      case 'R':
        if (ctrl) key = app::VeskoKey::Reload;
        break;
      default: break;
    }
  } else if (msg.message == WM_SYSKEYDOWN && msg.wParam == 'D') {
    key = app::VeskoKey::FindQuery;
  }
  if (key && vesko_->on_key(focus, *key)) return true;
  // Tab and Shift+Tab between the controls; Enter and Esc never reach a dialog default.
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return false;
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

int VeskoWin32Window::run_message_loop() {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    if (pre_translate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool VeskoWin32Window::deliver_pending() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (msg.message == WM_QUIT) return false;
    if (pre_translate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return hwnd_ != nullptr;
}

void VeskoWin32Window::post(std::function<void()> task) {
  if (posted_.push(std::move(task))) PostMessageW(hwnd_, kRunPostedMessage, 0, 0);
}

void VeskoWin32Window::showWindow() {
  ShowWindow(hwnd_, show_command_);
  UpdateWindow(hwnd_);
}

void VeskoWin32Window::closeWindow() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

std::string VeskoWin32Window::BrowseFolder(std::string_view start) {
  const std::wstring from = to_wide(start);
  BROWSEINFOW browse{};
  browse.hwndOwner = hwnd_;
  browse.lpszTitle = L"Choose the catalogue folder";
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = &browse_callback;
  browse.lParam = reinterpret_cast<LPARAM>(from.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return "";
  wchar_t path[MAX_PATH] = {};
  const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  return named ? to_utf8(path) : "";
}

void VeskoWin32Window::setClipboardText(std::string_view text) {
  const std::wstring wide = to_wide(text);
  if (OpenClipboard(hwnd_) == FALSE) return;
  EmptyClipboard();
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t))) {
    auto* copy = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, copy);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

std::optional<ResultMenuItem> VeskoWin32Window::popupResultMenu() {
  MenuHandle menu(CreatePopupMenu());
  for (const ResultMenuEntry& entry : result_menu()) {
    AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(entry.item) + 1, to_wide(entry.caption).c_str());
  }
  POINT at{};
  if (menu_at_) {
    at = *menu_at_;
  } else {
    GetCursorPos(&at);
  }
  menu_at_.reset();
  SetForegroundWindow(hwnd_);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
  if (chosen <= 0) return std::nullopt;
  return static_cast<ResultMenuItem>(chosen - 1);
}

void VeskoWin32Window::messageBox(std::string_view text) {
  MessageBoxW(hwnd_, to_wide(text).c_str(), to_wide(kVeskoTitle).c_str(), MB_OK);
}

void VeskoWin32Window::watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>&) {
  // A file written in place shows as a change of its folder's last-write data.
  watch_.reset();
  if (!folders.empty() && hwnd_ != nullptr) watch_ = std::make_unique<FolderWatch>(hwnd_, kFoldersChangedMessage, folders);
}

void VeskoWin32Window::focusControl(VeskoControlId id) {
  HWND target = control(id);
  SetFocus(target);
  if (id == VeskoControlId::txtQuery) SendMessageW(target, EM_SETSEL, 0, -1);
  if (id == VeskoControlId::lstResults && ListView_GetNextItem(target, -1, LVNI_FOCUSED) < 0 &&
      ListView_GetItemCount(target) > 0)
    ListView_SetItemState(target, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace korvint::ui::win32
