#include "hosts/headless/headless_controls.h"

namespace korvint::ui::headless {

std::string HeadlessListBox::List(int index) const {
  return index >= 0 && index < ListCount() ? entries_[static_cast<std::size_t>(index)] : "";
}

void HeadlessListBox::setListIndex(int index) {
  if (index < -1 || index >= ListCount()) return;
  const bool moved = index != selected_;
  selected_ = index;
  if (moved && index >= 0 && on_click) on_click();
}

void HeadlessListBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) return;
  entries_.erase(entries_.begin() + index);
  selected_ = -1;
}

void HeadlessListBox::Clear() {
  entries_.clear();
  selected_ = -1;
}

}  // namespace korvint::ui::headless
