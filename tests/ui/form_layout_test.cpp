#include "ui/form_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace korvint::ui {
namespace {

TEST(FormLayout, EveryControlIsThereOnceWithAUniqueTabIndex) {
  std::set<std::string_view> names;
  std::set<int> tab_indexes;
  for (const FormControlShape& shape : form_controls()) {
    EXPECT_TRUE(names.insert(shape.name).second) << shape.name;
    if (shape.tab_index >= 0) {
      EXPECT_TRUE(tab_indexes.insert(shape.tab_index).second) << shape.name;
    }
    // The table is in creation order, which is the order of the ids.
    EXPECT_EQ(&control_shape(shape.id), &shape);
  }
}

TEST(FormLayout, TheDotButtonsLieOverTheRightEndsOfTheirBoxes) {
  for (auto [button, box] : {std::pair{ControlId::Command9, ControlId::Text1},
                             std::pair{ControlId::Command6, ControlId::Text5}}) {
    const FormControlShape& b = control_shape(button);
    const FormControlShape& t = control_shape(box);
    EXPECT_EQ(b.left + b.width, t.left + t.width);
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

TEST(FormLayout, TabGoesByTabIndexOverWhatCanTakeTheFocusAndRoundTheEnds) {
  const std::vector<ControlId> order(tab_order().begin(), tab_order().end());
  // Every control but the labels and the line, once each.
  for (const FormControlShape& shape : form_controls()) {
    const bool takes_focus = shape.kind != ControlKind::Label && shape.kind != ControlKind::Line;
    EXPECT_EQ(std::count(order.begin(), order.end(), shape.id), takes_focus ? 1 : 0) << shape.name;
  }
  EXPECT_EQ(order.front(), ControlId::Command1);
  EXPECT_EQ(order[1], ControlId::Text1);
  EXPECT_EQ(order.back(), ControlId::mStop);

  // The hidden boxes and a hidden STOP button are skipped.
  auto shown = [](ControlId id) {
    return id != ControlId::Text2 && id != ControlId::Text3 && id != ControlId::mStop;
  };
  EXPECT_EQ(next_tab_stop(ControlId::Text1, false, shown), ControlId::Text4);
  EXPECT_EQ(next_tab_stop(ControlId::Command9, false, shown), ControlId::Command1);
  EXPECT_EQ(next_tab_stop(ControlId::Command1, true, shown), ControlId::Command9);
  EXPECT_EQ(next_tab_stop(std::nullopt, false, shown), ControlId::Command1);
  EXPECT_EQ(next_tab_stop(std::nullopt, true, shown), ControlId::Command9);
  EXPECT_EQ(next_tab_stop(ControlId::Text1, false, [](ControlId) { return false; }), std::nullopt);
}

}  // namespace
}  // namespace korvint::ui
