#include "support/control_contract.h"

#include <gtest/gtest.h>

namespace korvint::test {

void expect_list_box_contract(ui::ListBox& list, const ListUser& user) {
  list.Clear();
  int clicks = 0;
  list.on_click = [&] { ++clicks; };
  for (const char* entry : {"a", "b", "c", "d"}) list.AddItem(entry);
  EXPECT_EQ(list.ListCount(), 4);
  EXPECT_EQ(list.List(1), "b");
  EXPECT_EQ(list.List(4), "");
  EXPECT_EQ(list.List(-1), "");
  EXPECT_EQ(list.ListIndex(), -1);

  struct Step {
    const char* what;
    std::function<void()> act;
    int index;   ///< ListIndex afterwards
    int clicks;  ///< clicks reported so far
  };
  const Step steps[] = {
      {"the program selects", [&] { list.setListIndex(1); }, 1, 1},
      {"the same entry again", [&] { list.setListIndex(1); }, 1, 1},
      {"an index out of range", [&] { list.setListIndex(7); }, 1, 1},
      {"an entry is added", [&] { list.AddItem("e"); }, 1, 1},
      {"the user clicks an entry", [&] { user.clicks(3); }, 3, 2},
      {"the user clicks the selected entry", [&] { user.clicks(3); }, 3, 3},
      {"the user double-clicks it: two presses", [&] { user.double_clicks(3); }, 3, 5},
      {"a key moves the selection", [&] { user.presses_up(); }, 2, 6},
      {"the user clicks the first entry", [&] { user.clicks(0); }, 0, 7},
      {"a key that cannot move it", [&] { user.presses_up(); }, 0, 7},
      {"no entry", [&] { list.setListIndex(-1); }, -1, 7},
      {"the program selects after none", [&] { list.setListIndex(0); }, 0, 8},
      {"the selected entry is removed", [&] { list.RemoveItem(0); }, -1, 8},
      {"the user clicks after a removal", [&] { user.clicks(0); }, 0, 9},
      {"another entry is removed", [&] { list.RemoveItem(2); }, -1, 9},
      {"an index out of range is removed", [&] { list.RemoveItem(9); }, -1, 9},
      {"the user clicks again", [&] { user.clicks(1); }, 1, 10},
      {"a click below the entries", [&] { user.clicks_below_entries(); }, 1, 10},
      {"all entries are removed", [&] { list.Clear(); }, -1, 10},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(list.ListIndex(), step.index);
    EXPECT_EQ(clicks, step.clicks);
  }
  EXPECT_EQ(list.ListCount(), 0);
  list.on_click = nullptr;
}

void expect_button_contract(ui::Button& button) {
  for (const bool on : {false, true}) {
    button.setVisible(on);
    EXPECT_EQ(button.visible(), on);
    button.setEnabled(on);
    EXPECT_EQ(button.enabled(), on);
  }
}

void expect_text_contract(ui::TextBox& box, ui::Label& label) {
  for (const char* text : {"", "C:\\a & b\\", "Stopped! Output deleted!"}) {
    box.setText(text);
    EXPECT_EQ(box.text(), text);
    label.setCaption(text);
    EXPECT_EQ(label.caption(), text);
  }
}

}  // namespace korvint::test
