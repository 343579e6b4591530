#include "hosts/win32/row_list_notify.h"

#include <commctrl.h>

namespace korvint::hosts::win32 {

LRESULT on_row_list_notify(HWND window, HWND list, const VeskoListView& rows, const NMHDR& header, LPARAM lparam,
                           const RowListActions& actions) {
  switch (header.code) {
    case LVN_GETDISPINFOW: rows.fill(*reinterpret_cast<NMLVDISPINFOW*>(lparam)); return 0;
    case LVN_COLUMNCLICK: actions.header_click(reinterpret_cast<const NMLISTVIEW*>(lparam)->iSubItem); return 0;
    case NM_DBLCLK:
      if (reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem >= 0) actions.open();
      return 0;
    case NM_RETURN: actions.open(); return 0;
    case LVN_KEYDOWN: {
      const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey;
      const bool ctrl = GetKeyState(VK_CONTROL) < 0;
      if (key == 'C' && ctrl) actions.copy();
      if (key == 'A' && ctrl) ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
      if (key == VK_ESCAPE) PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    }
    default: return 0;
  }
}

}  // namespace korvint::hosts::win32
