#include "hosts/win32/vesko_keyboard.h"

#include <commctrl.h>

#include <optional>

#include "app/vesko_form_events.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

// The window's key that `msg` presses, if any.
std::optional<app::VeskoKey> vesko_key(const MSG& msg) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == 'D') return app::VeskoKey::FindQuery;
  if (msg.message != WM_KEYDOWN) return std::nullopt;
  switch (msg.wParam) {
    case 'F': return ctrl ? std::optional(app::VeskoKey::FindQuery) : std::nullopt;
    case VK_ESCAPE: return app::VeskoKey::Escape;
    case VK_DOWN: return app::VeskoKey::Down;
    case VK_RETURN: return app::VeskoKey::Enter;
    case VK_F5: return app::VeskoKey::Reload;
    case VK_F1: return app::VeskoKey::Help;
    case 'R': return ctrl ? std::optional(app::VeskoKey::Reload) : std::nullopt;
    case 'C': return ctrl ? std::optional(app::VeskoKey::Copy) : std::nullopt;
    case 'D': return ctrl ? std::optional(app::VeskoKey::Duplicates) : std::nullopt;
    default: return std::nullopt;
  }
}

}  // namespace

bool handle_vesko_keyboard(VeskoFormWindow& window, MSG& msg) {
  HWND main = window.hwnd();
  if (main == nullptr || window.vesko() == nullptr || (msg.hwnd != main && IsChild(main, msg.hwnd) == FALSE))
    return false;
  const auto key = vesko_key(msg);
  const VeskoControlId focus = window.control_of(GetFocus()).value_or(VeskoControlId::txtQuery);
  if (key && app::on_key(*window.vesko(), focus, *key)) return true;
  // Ctrl+A selects the query box's text (the old edit control has no such
  // key) and every row of a list (the list view has none).
  if (msg.message == WM_KEYDOWN && msg.wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
    if (focus == VeskoControlId::txtQuery) {
      SendMessageW(window.control(focus), EM_SETSEL, 0, -1);
      return true;
    }
    if (focus == VeskoControlId::lstResults || focus == VeskoControlId::lstCatalogues) {
      ListView_SetItemState(window.control(focus), -1, LVIS_SELECTED, LVIS_SELECTED);
      return true;
    }
  }
  // Tab and Shift+Tab between the controls; Enter and Esc never reach a dialog default.
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return false;
  return IsDialogMessageW(main, &msg) != FALSE;
}

}  // namespace korvint::hosts::win32
