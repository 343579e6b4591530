#include "hosts/win32/list_row_menu.h"

#include <commctrl.h>
#include <windowsx.h>

namespace korvint::hosts::win32 {

bool select_row_for_menu(HWND list, LPARAM lparam) {
  if (lparam == -1) return true;
  LVHITTESTINFO hit{};
  hit.pt = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(list, &hit.pt);
  if (ListView_HitTest(list, &hit) < 0) return false;
  if ((ListView_GetItemState(list, hit.iItem, LVIS_SELECTED) & LVIS_SELECTED) == 0)
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list, hit.iItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  return true;
}

}  // namespace korvint::hosts::win32
