#include "hosts/win32/tab_order.h"

#include <optional>

namespace korvint::hosts::win32 {
using namespace korvint::ui;

bool can_take_focus(const FormControlShape& shape, HWND control) {
  if (control == nullptr || shape.tab_index < 0) return false;
  if (shape.kind == ControlKind::Label || shape.kind == ControlKind::Line) return false;
  return IsWindowVisible(control) != FALSE && IsWindowEnabled(control) != FALSE;
}

HWND next_tab_stop(const ControlWindows& controls, HWND current, bool backwards) {
  std::optional<ControlId> from;
  for (const FormControlShape& shape : form_controls()) {
    if (controls[slot(shape.id)] == current && current != nullptr) from = shape.id;
  }
  const auto next = ui::next_tab_stop(from, backwards, [&controls](ControlId id) {
    return can_take_focus(control_shape(id), controls[slot(id)]);
  });
  return next ? controls[slot(*next)] : nullptr;
}

}  // namespace korvint::hosts::win32
