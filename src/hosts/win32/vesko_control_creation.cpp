#include "hosts/win32/vesko_control_creation.h"

#include <commctrl.h>

#include <string>

#include "hosts/win32/control_creation.h"
#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

using platform::win32::to_wide;

// Child-window ids start above IDOK/IDCANCEL, which the dialog keys send.
constexpr int kFirstControlId = 100;

DWORD style_of(const VeskoControlShape& shape) {
  const DWORD style = WS_CHILD | WS_VISIBLE;
  switch (shape.kind) {
    case ControlKind::TextBox: return style | WS_TABSTOP | ES_AUTOHSCROLL;
    // Paths may hold "&"; a long one ends in "..." rather than wrapping out of sight.
    case ControlKind::Label: return style | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS | SS_NOTIFY;
    case ControlKind::CommandButton: return style | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::Table:
      return style | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
    default: return style;
  }
}

DWORD extended_style_of(const VeskoControlShape& shape) {
  return shape.kind == ControlKind::TextBox || shape.kind == ControlKind::Table ? WS_EX_CLIENTEDGE : 0;
}

}  // namespace

void add_table_columns(HWND table, std::span<const VeskoColumn> columns, int dpi) {
  ListView_SetExtendedListViewStyle(table, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    std::wstring title = to_wide(columns[i].title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = columns[i].right_aligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = twips_to_pixels(columns[i].width, dpi);
    column.pszText = title.data();
    ListView_InsertColumn(table, static_cast<int>(i), &column);
  }
}

int vesko_child_window_id(VeskoControlId id) { return kFirstControlId + static_cast<int>(id); }

std::vector<HWND> create_vesko_controls(HWND parent, HFONT font, int dpi) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  std::vector<HWND> controls;
  for (const VeskoControlShape& shape : vesko_controls()) {
    HWND control = CreateWindowExW(extended_style_of(shape), window_class_of(shape.kind), to_wide(shape.caption).c_str(),
                                   style_of(shape), 0, 0, 10, 10, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(vesko_child_window_id(shape.id))),
                                   instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    controls.push_back(control);
    if (shape.kind == ControlKind::Table)
      add_table_columns(control, shape.id == VeskoControlId::lstResults ? result_columns() : catalogue_columns(), dpi);
  }
  return controls;
}

HWND create_vesko_tooltips(HWND parent, const std::vector<HWND>& controls, int dpi) {
  HWND tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  if (tooltips == nullptr) return nullptr;
  SendMessageW(tooltips, TTM_SETMAXTIPWIDTH, 0, twips_to_pixels(9000, dpi));
  SendMessageW(tooltips, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
  for (const VeskoControlShape& shape : vesko_controls()) {
    if (shape.id != VeskoControlId::txtQuery && !shape.tooltip_shows_caption && shape.tooltip.empty()) continue;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(controls.at(static_cast<std::size_t>(shape.id)));
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return tooltips;
}

}  // namespace korvint::hosts::win32
