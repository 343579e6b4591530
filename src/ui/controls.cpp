#include "ui/controls.h"

namespace korvint::ui {

// While the list itself changes its widget, what the toolkit reports of it is
// not a move by the user.
class ListBox::Quiet {
 public:
  explicit Quiet(ListBox& list) : list_(list) { ++list_.quiet_; }
  ~Quiet() { --list_.quiet_; }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  ListBox& list_;
};

std::string ListBox::List(int index) const {
  return index >= 0 && index < row_count() ? row_text(index) : std::string();
}

void ListBox::setListIndex(int index) {
  if (index < -1 || index >= row_count()) return;
  {
    Quiet quiet(*this);
    select_row(index);
  }
  report_if_moved();
}

void ListBox::AddItem(std::string_view entry) {
  Quiet quiet(*this);
  append_row(entry);
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= row_count()) return;
  {
    Quiet quiet(*this);
    remove_row(index);
    // The toolkit may move the selection to a neighbour; nobody chose that entry.
    select_row(-1);
  }
  reported_ = selected_row();
}

void ListBox::Clear() {
  {
    Quiet quiet(*this);
    remove_all_rows();
    select_row(-1);
  }
  reported_ = selected_row();
}

void ListBox::selection_changed() {
  if (quiet_ > 0) return;
  if (pressing_) {
    picked_ = true;
    return;
  }
  report_if_moved();
}

void ListBox::press_started() {
  pressing_ = true;
  picked_ = false;
}

void ListBox::press_ended(bool on_entry) {
  if (!pressing_) return;
  pressing_ = false;
  const bool picked = on_entry || picked_;
  picked_ = false;
  // A click reports even on the entry that was selected already: the user
  // chose it again (after editing the path box, say).
  const int now = selected_row();
  reported_ = now;
  if (picked && now >= 0 && on_click) on_click();
}

void ListBox::report_if_moved() {
  const int now = selected_row();
  const bool moved = now != reported_;
  reported_ = now;
  if (moved && now >= 0 && on_click) on_click();
}

}  // namespace korvint::ui
