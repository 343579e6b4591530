#include "hosts/win32/control_creation.h"

#include <commctrl.h>

#include <cwctype>

#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

using platform::win32::to_wide;

// Child-window ids start above IDOK/IDCANCEL, which the dialog keys send.
constexpr int kFirstChildId = 100;

// Room below the drive box's field for its drop-down list, in pixels.
constexpr int kDropDownPixels = 200;

DWORD style_of(const FormControlShape& shape) {
  // Overlapping controls (a "..." over the end of its box) must not paint over each other.
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (shape.shown ? WS_VISIBLE : 0);
  switch (shape.kind) {
    // A caption wider than its button goes on to a second line.
    case ControlKind::CommandButton: return style | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
    case ControlKind::TextBox: return style | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    // The list keeps the table's height rather than a whole number of rows.
    case ControlKind::ListBox:
      return style | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    case ControlKind::DriveListBox: return style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    // The labels are one line high: a longer text is cut at the right rather
    // than wrapped out of sight. Status texts may hold paths with "&", shown as typed.
    case ControlKind::Label: return style | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    case ControlKind::Line: return style | SS_ETCHEDVERT;
    case ControlKind::Table: break;  // Vesko's window has tables, this one none
  }
  return style;
}

DWORD extended_style_of(const FormControlShape& shape) {
  // A control the mouse passes through is transparent, so that the window's
  // hit test (CWP_SKIPTRANSPARENT) finds the surface beneath it.
  if (!takes_mouse_events(shape)) return WS_EX_TRANSPARENT;
  return shape.kind == ControlKind::TextBox || shape.kind == ControlKind::ListBox ? WS_EX_CLIENTEDGE : 0;
}

FontHandle make_font(const ControlFont& font, ScreenDpi dpi) {
  const std::wstring face = to_wide(font.face);
  return FontHandle(CreateFontW(-font_pixel_height(font.points, dpi.y), 0, 0, 0, font.weight, FALSE,
                                FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                face.c_str()));
}

// A drop-down list's height at creation includes its list; its field's height
// follows the item height, which is set so the closed box is as tall as the
// table says. The height asked for and the height reported are not measured
// alike everywhere, so the setting is corrected from what the box then measures.
void fit_drive_box_height(HWND box, int wanted) {
  LRESULT field = SendMessageW(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (field == CB_ERR) return;
  for (int attempt = 0; attempt < 4; ++attempt) {
    RECT rect{};
    GetWindowRect(box, &rect);
    const int difference = wanted - (rect.bottom - rect.top);
    if (difference == 0 || field + difference <= 0) return;
    field += difference;
    SendMessageW(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

// Some controls change their own frame when created (an etched line gains an
// edge); they are put back to the place the table gives.
void keep_place(HWND control, const PixelRect& at) {
  RECT rect{};
  GetWindowRect(control, &rect);
  if (rect.right - rect.left == at.width && rect.bottom - rect.top == at.height) return;
  SetWindowPos(control, nullptr, at.left, at.top, at.width, at.height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

}  // namespace

int child_window_id(ControlId id) { return kFirstChildId + static_cast<int>(id); }

std::optional<ControlId> control_of_child_window_id(int child_id) {
  const int index = child_id - kFirstChildId;
  if (index < 0 || index >= static_cast<int>(kControlCount)) return std::nullopt;
  return static_cast<ControlId>(index);
}

const wchar_t* window_class_of(ControlKind kind) {
  switch (kind) {
    case ControlKind::CommandButton: return L"BUTTON";
    case ControlKind::TextBox: return L"EDIT";
    case ControlKind::ListBox: return L"LISTBOX";
    case ControlKind::DriveListBox: return L"COMBOBOX";
    case ControlKind::Label:
    case ControlKind::Line: return L"STATIC";
    case ControlKind::Table: return WC_LISTVIEWW;
  }
  return L"STATIC";
}

ControlWindows create_controls(HWND parent, ScreenDpi dpi, std::vector<FontHandle>& fonts) {
  ControlWindows windows{};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto default_font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  // Each new child window goes to the bottom of the z-order, so creating in
  // table order puts earlier controls on top.
  for (const FormControlShape& shape : form_controls()) {
    const PixelRect at = control_pixel_rect(shape, dpi);
    const int height = shape.kind == ControlKind::DriveListBox ? at.height + kDropDownPixels : at.height;
    const std::wstring caption = to_wide(shape.caption);
    HWND control = CreateWindowExW(
        extended_style_of(shape), window_class_of(shape.kind), caption.c_str(), style_of(shape),
        at.left, at.top, at.width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(child_window_id(shape.id))), instance, nullptr);
    windows[slot(shape.id)] = control;
    if (control == nullptr) continue;
    WPARAM font = default_font;
    if (shape.font) {
      fonts.push_back(make_font(*shape.font, dpi));
      if (fonts.back().get() != nullptr) font = reinterpret_cast<WPARAM>(fonts.back().get());
    }
    SendMessageW(control, WM_SETFONT, font, FALSE);
    if (shape.kind == ControlKind::DriveListBox) {
      fit_drive_box_height(control, at.height);
    } else {
      keep_place(control, at);
    }
  }
  return windows;
}

void place_controls(HWND parent, const ControlWindows& controls, HWND tooltips, ScreenDpi dpi,
                    std::vector<FontHandle>& fonts) {
  std::vector<FontHandle> made;
  // The controls without a font of their own have the GUI font, scaled
  // from the screen's resolution to this one.
  LOGFONTW gui{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  gui.lfHeight = MulDiv(gui.lfHeight, dpi.y, screen_dpi().y);
  made.push_back(FontHandle(CreateFontIndirectW(&gui)));
  const HFONT default_font = made.back().get();
  for (const FormControlShape& shape : form_controls()) {
    HWND control = controls[slot(shape.id)];
    if (control == nullptr) continue;
    HFONT font = default_font;
    if (shape.font) {
      made.push_back(make_font(*shape.font, dpi));
      if (made.back().get() != nullptr) font = made.back().get();
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const PixelRect at = control_pixel_rect(shape, dpi);
    if (shape.kind == ControlKind::DriveListBox) {
      SetWindowPos(control, nullptr, at.left, at.top, at.width, at.height + kDropDownPixels,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      fit_drive_box_height(control, at.height);
    } else {
      SetWindowPos(control, nullptr, at.left, at.top, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (shape.tooltip_shows_caption && tooltips != nullptr) {
      // The labels' tools are areas of the window: they move with them.
      TTTOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.hwnd = parent;
      tool.uId = slot(shape.id);
      tool.rect = RECT{at.left, at.top, at.left + at.width, at.top + at.height};
      SendMessageW(tooltips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  fonts = std::move(made);  // the old fonts go once no control uses them
  InvalidateRect(parent, nullptr, TRUE);
}

void fill_drive_box(HWND drive_box, const std::vector<std::string>& entries) {
  SendMessageW(drive_box, CB_RESETCONTENT, 0, 0);
  wchar_t current[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const wchar_t current_letter = static_cast<wchar_t>(std::towlower(current[0]));
  int chosen = 0;
  for (const std::string& entry : entries) {
    const std::wstring text = to_wide(entry);
    const LRESULT index = SendMessageW(drive_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0 && !text.empty() && current[1] == L':' &&
        static_cast<wchar_t>(std::towlower(text[0])) == current_letter) {
      chosen = static_cast<int>(index);
    }
  }
  if (!entries.empty()) SendMessageW(drive_box, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

HWND create_tooltips(HWND parent, const ControlWindows& controls) {
  HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tips == nullptr) return nullptr;
  for (const FormControlShape& shape : form_controls()) {
    if (shape.tooltip.empty() || shape.tooltip_shows_caption || controls[slot(shape.id)] == nullptr) continue;
    std::wstring text = to_wide(tooltip_text(shape, shape.caption));
    TTTOOLINFOW tool{};
    // The older structure size works with every version of the common controls.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(controls[slot(shape.id)]);
    tool.lpszText = text.data();
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // The status labels' tooltips show their whole current caption, asked for
  // when shown. The labels let the mouse through to the window, so the tools
  // are areas of the window, not the labels themselves.
  for (const FormControlShape& shape : form_controls()) {
    const ControlId id = shape.id;
    HWND label = controls[slot(id)];
    if (!shape.tooltip_shows_caption || label == nullptr) continue;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = slot(id);
    GetWindowRect(label, &tool.rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&tool.rect), 2);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 480);  // long messages wrap
  return tips;
}

}  // namespace korvint::hosts::win32
