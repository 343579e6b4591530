#include "hosts/win32/text_window.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "hosts/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
namespace {

struct TextWindow {
  std::wstring title;
  std::wstring text;  // lines end in "\r\n", as an EDIT shows them
  int dpi;
  FontHandle font;
};

int scaled(int pixels_at_96, int dpi) { return MulDiv(pixels_at_96, dpi, 96); }

// Creates the text box and the button, sized to the text's longest line and
// its lines, as far as the monitor allows.
void fill(HWND dialog, TextWindow& window) {
  window.font = FontHandle(CreateFontW(-MulDiv(9, window.dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       FIXED_PITCH | FF_MODERN, L"Consolas"));
  SetWindowTextW(dialog, window.title.c_str());
  // The text's extent in the font; the box has room for it and for its
  // scroll bars, which a smaller screen needs.
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, window.font.get());
  int widest = 0;
  int lines = 0;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  for (std::size_t start = 0; start < window.text.size();) {
    std::size_t end = window.text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = window.text.size();
    SIZE size{};
    GetTextExtentPoint32W(dc, window.text.data() + start, static_cast<int>(end - start), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    ++lines;
    start = end + 2;
  }
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);

  const int margin = scaled(10, window.dpi);
  const int button_width = scaled(88, window.dpi);
  const int button_height = scaled(26, window.dpi);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int text_width =
      std::min<int>(widest + GetSystemMetrics(SM_CXVSCROLL) + scaled(24, window.dpi), (work.right - work.left) * 9 / 10);
  const int text_height = std::min<int>((lines + 1) * metrics.tmHeight + GetSystemMetrics(SM_CYHSCROLL) + scaled(12, window.dpi),
                                        (work.bottom - work.top) * 8 / 10 - button_height - 3 * margin);
  HWND box = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", window.text.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                 ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                             margin, margin, text_width, text_height, dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextWindowTextId)), nullptr, nullptr);
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(window.font.get()), FALSE);
  HWND ok = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            margin + text_width - button_width, 2 * margin + text_height, button_width, button_height,
                            dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), nullptr, nullptr);
  SendMessageW(ok, WM_SETFONT, SendMessageW(GetParent(dialog), WM_GETFONT, 0, 0), FALSE);
  RECT frame{0, 0, text_width + 2 * margin, text_height + button_height + 3 * margin};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  // Centred over the owner's window.
  RECT owner{};
  GetWindowRect(GetParent(dialog) != nullptr ? GetParent(dialog) : GetDesktopWindow(), &owner);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = std::max<int>(work.left, (owner.left + owner.right - width) / 2);
  const int top = std::max<int>(work.top, (owner.top + owner.bottom - height) / 2);
  SetWindowPos(dialog, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  SetFocus(ok);
}

INT_PTR CALLBACK text_window_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      fill(dialog, *reinterpret_cast<TextWindow*>(lparam));
      return FALSE;  // the focus was set
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

void show_text_window(HWND owner, std::string_view title, std::string_view text, int dpi) {
  TextWindow window{platform::win32::to_wide(title), {}, dpi, {}};
  for (const wchar_t c : platform::win32::to_wide(text)) {
    if (c == L'\n') window.text += L'\r';
    window.text += c;
  }
  // A dialog with no controls of its own: they are made when it opens.
  // DLGTEMPLATE, then no menu, the default class and an empty title (WORDs).
  struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu = 0, window_class = 0, title = 0;
  } blank{};
  static_assert(offsetof(Template, menu) == 18, "the WORDs follow the packed DLGTEMPLATE");
  // Shown as soon as it is filled, not only once the message queue is idle.
  blank.dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &blank.dialog, owner, &text_window_procedure,
                          reinterpret_cast<LPARAM>(&window));
}

}  // namespace korvint::hosts::win32
