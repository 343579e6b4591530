#include "hosts/win32/tab_order.h"

#include <algorithm>
#include <vector>

namespace korvint::ui::win32 {
namespace {

// The controls that have a place in the tab order, by tab index.
std::vector<const ControlSpec*> tab_sequence() {
  std::vector<const ControlSpec*> sequence;
  for (const ControlSpec& shape : form_controls()) {
    if (shape.tab_index >= 0) sequence.push_back(&shape);
  }
  std::sort(sequence.begin(), sequence.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tab_index < b->tab_index; });
  return sequence;
}

}  // namespace

bool can_take_focus(const ControlSpec& shape, HWND control) {
  if (control == nullptr || shape.tab_index < 0) return false;
  if (shape.kind == ControlKind::Label || shape.kind == ControlKind::Line) return false;
  return IsWindowVisible(control) != FALSE && IsWindowEnabled(control) != FALSE;
}

HWND next_tab_stop(const ControlWindows& controls, HWND current, bool backwards) {
  const std::vector<const ControlSpec*> sequence = tab_sequence();
  const int count = static_cast<int>(sequence.size());
  if (count == 0) return nullptr;
  int at = backwards ? count : -1;
  for (int i = 0; i < count; ++i) {
    if (controls[slot(sequence[static_cast<std::size_t>(i)]->id)] == current) at = i;
  }
  const int step = backwards ? -1 : 1;
  for (int moved = 1; moved <= count; ++moved) {
    const int i = ((at + step * moved) % count + count) % count;
    const ControlSpec& shape = *sequence[static_cast<std::size_t>(i)];
    if (can_take_focus(shape, controls[slot(shape.id)])) return controls[slot(shape.id)];
  }
  return nullptr;
}

}  // namespace korvint::ui::win32
