#include "ui/form_layout.h"

#include <gtest/gtest.h>

#include <set>

namespace korvint::ui {
namespace {

TEST(FormLayout, EveryControlIsThereOnceWithAUniqueTabIndex) {
  std::set<std::string_view> names;
  std::set<int> tab_indexes;
  for (const ControlSpec& shape : form_controls()) {
    EXPECT_TRUE(names.insert(shape.name).second) << shape.name;
    if (shape.tab_index >= 0) EXPECT_TRUE(tab_indexes.insert(shape.tab_index).second) << shape.name;
    EXPECT_EQ(control_spec(shape.id).name, shape.name);
  }
  EXPECT_EQ(names.size(), 22u);
}

TEST(FormLayout, TheDotButtonsLieOverTheRightEndsOfTheirBoxes) {
  for (auto [button, box] : {std::pair{ControlId::Command9, ControlId::Text1},
                             std::pair{ControlId::Command6, ControlId::Text5}}) {
    const ControlSpec& b = control_spec(button);
    const ControlSpec& t = control_spec(box);
    EXPECT_EQ(b.left + b.width, t.left + t.width);
    EXPECT_EQ(b.width, 375);
    EXPECT_EQ(b.top, t.top);
    // Earlier in creation order means on top.
    const auto controls = form_controls();
    const auto pos = [&](ControlId id) {
      for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].id == id) return i;
      return controls.size();
    };
    EXPECT_LT(pos(button), pos(box));
  }
}

TEST(FormLayout, TwipsBecomePixelsAtTheScreensDpi) {
  EXPECT_EQ(twips_to_pixels(kClientWidthTwips, 96), 488);
  EXPECT_EQ(twips_to_pixels(kClientHeightTwips, 96), 206);
  EXPECT_EQ(twips_to_pixels(15, 96), 1);
  EXPECT_EQ(twips_to_pixels(kClientWidthTwips, 144), 732);
}

TEST(FormLayout, MenusHoldTheirItems) {
  EXPECT_EQ(menu_spec(MenuId::mnuPopUp).items.size(), 2u);
  EXPECT_EQ(menu_spec(MenuId::mnuPopUp).items[1].caption, "Delete &all");
  EXPECT_EQ(menu_spec(MenuId::mnuPopUp2).items[0].caption, "Add to right click on drives, folders (registry)");
}

}  // namespace
}  // namespace korvint::ui
