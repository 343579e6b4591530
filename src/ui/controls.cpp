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
  // During a press the press reports once it is over.
  if (quiet_ > 0 || pressing_) return;
  report_if_moved();
}

void ListBox::user_pressed(bool on_entry, const std::function<void()>& press) {
  pressing_ = true;
  press();
  pressing_ = false;
  const int now = selected_row();
  if (!on_entry || now < 0) {
    report_if_moved();
    return;
  }
  // A press on an entry reports even on the one selected already: the user
  // chose it again (after editing the path box, say).
  reported_ = now;
  if (on_click) on_click();
}

void ListBox::report_if_moved() {
  const int now = selected_row();
  const bool moved = now != reported_;
  reported_ = now;
  if (moved && now >= 0 && on_click) on_click();
}

}  // namespace korvint::ui
