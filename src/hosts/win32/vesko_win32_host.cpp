#include "hosts/win32/vesko_win32_host.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>

#include "hosts/win32/folder_dialog.h"
#include "hosts/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

using platform::win32::to_wide;

std::string VeskoWin32Host::BrowseFolder(std::string_view start) {
  return browse_for_folder(window_.hwnd(), L"Choose the catalogue folder", BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE,
                           start);
}

void VeskoWin32Host::setClipboardText(std::string_view text) {
  // Windows programs read CR LF between the lines of the clipboard's text.
  std::wstring wide;
  for (const wchar_t c : to_wide(text)) {
    if (c == L'\n' && (wide.empty() || wide.back() != L'\r')) wide += L'\r';
    wide += c;
  }
  if (OpenClipboard(window_.hwnd()) == FALSE) return;
  EmptyClipboard();
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t))) {
    auto* copy = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, copy);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

std::string VeskoWin32Host::SaveExportFile(std::string_view suggested) {
  std::wstring name = to_wide(suggested);
  name.resize(std::max<std::size_t>(name.size() + 1, 32768), L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_.hwnd();
  // The dialog gives a name typed without an extension the chosen type's.
  dialog.lpstrFilter = L"CSV (comma-separated, *.csv)\0*.csv\0Tab-separated (*.tsv)\0*.tsv\0";
  dialog.lpstrDefExt = L"csv";
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrTitle = L"Export the results";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (GetSaveFileNameW(&dialog) == FALSE) return "";
  return platform::win32::to_utf8(name.c_str());
}

std::optional<ResultMenuItem> VeskoWin32Host::popupResultMenu() {
  std::vector<std::string> items;
  for (const ResultMenuEntry& entry : result_menu()) items.emplace_back(entry.caption);
  const auto chosen = popupMenu(items);
  if (!chosen) return std::nullopt;
  return result_menu()[*chosen].item;
}

std::optional<std::size_t> VeskoWin32Host::popupMenu(const std::vector<std::string>& items) {
  MenuHandle menu(CreatePopupMenu());
  for (std::size_t i = 0; i < items.size(); ++i)
    AppendMenuW(menu.get(), MF_STRING, i + 1, to_wide(items[i]).c_str());
  POINT at{};
  if (const auto asked = window_.take_menu_point()) {
    at = *asked;
  } else {
    GetCursorPos(&at);
  }
  SetForegroundWindow(window_.hwnd());
  const int chosen = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                     at.x, at.y, 0, window_.hwnd(), nullptr));
  if (chosen <= 0) return std::nullopt;
  return static_cast<std::size_t>(chosen - 1);
}

ViewWindow& VeskoWin32Host::viewWindow(ViewEvents& events) {
  if (!view_) {
    view_ = std::make_unique<VeskoViewWindow>(window_.hwnd(), window_.dpi(), events);
    if (view_rect_) view_->restore_place(*view_rect_, view_maximized_);
  }
  return *view_;
}

std::pair<std::optional<PixelRect>, bool> VeskoWin32Host::viewPlace() const {
  if (!view_ || view_->hwnd() == nullptr) return {view_rect_, view_maximized_};
  const auto [rect, maximized] = normal_place(view_->hwnd());
  return {rect, maximized};
}

BrowseWindow& VeskoWin32Host::browseWindow(BrowseEvents& events) {
  if (!browse_) {
    browse_ = std::make_unique<VeskoBrowseWindow>(window_.hwnd(), window_.dpi(), events);
    browse_->restore(at_dpi(browse_memory_, browse_->dpi()));
  }
  return *browse_;
}

void VeskoWin32Host::browsePlace(VeskoWindowMemory& memory) const {
  if (browse_ && browse_->hwnd() != nullptr) {
    browse_->remember(memory);
    return;
  }
  const VeskoWindowMemory kept = at_dpi(browse_memory_, memory.dpi);
  memory.browse_rect = kept.browse_rect;
  memory.browse_maximized = kept.browse_maximized;
  memory.browse_split = kept.browse_split;
  memory.browse_folder_widths = kept.browse_folder_widths;
  memory.browse_file_widths = kept.browse_file_widths;
}

void VeskoWin32Host::watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>&) {
  // A file written in place shows as a change of its folder's last-write data.
  watch_.reset();
  if (!folders.empty() && window_.hwnd() != nullptr)
    watch_ = std::make_unique<FolderWatch>(window_.hwnd(), kFoldersChangedMessage, folders);
}

void VeskoWin32Host::focusControl(VeskoControlId id) {
  HWND target = window_.control(id);
  SetFocus(target);
  if (id == VeskoControlId::txtQuery) SendMessageW(target, EM_SETSEL, 0, -1);
  if (id == VeskoControlId::lstResults && ListView_GetNextItem(target, -1, LVNI_FOCUSED) < 0 &&
      ListView_GetItemCount(target) > 0)
    ListView_SetItemState(target, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace korvint::hosts::win32
