#include "ui/form_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

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

TEST(FormLayout, PixelPlacesScaleTheWholeLayoutAndTheLineIsTwoPixelsWide) {
  struct Case {
    ControlId id;
    int dpi;
    double scale;
    PixelRect expected;
  };
  for (const Case& c : {Case{ControlId::Command1, 96, 1.0, {4, 8, 65, 41}},
                        Case{ControlId::Line1, 96, 1.0, {264, 8, 2, 192}},
                        Case{ControlId::Line1, 192, 1.0, {528, 16, 2, 384}},
                        Case{ControlId::Command1, 96, 1.5, {6, 12, 98, 62}},
                        Case{ControlId::Line1, 96, 1.5, {396, 12, 2, 288}}}) {
    EXPECT_EQ(control_pixel_rect(control_spec(c.id), c.dpi, c.dpi, c.scale), c.expected)
        << control_spec(c.id).name << " at " << c.dpi << " dpi, scale " << c.scale;
  }
  EXPECT_EQ(client_pixel_rect(96, 96, 1.5), (PixelRect{0, 0, 732, 309}));
}

TEST(FormLayout, TabGoesByTabIndexOverWhatCanTakeTheFocusAndRoundTheEnds) {
  const std::vector<ControlId> order(tab_order().begin(), tab_order().end());
  ASSERT_EQ(order.size(), 17u);  // every control but the four labels and the line
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

TEST(FormLayout, TooltipsAndInputCodes) {
  EXPECT_EQ(tooltip_text(control_spec(ControlId::Command5), "Scan all"), "Automatic naming of output files");
  EXPECT_EQ(tooltip_text(control_spec(ControlId::Command3), "Add drive to scan list"), "");
  EXPECT_EQ(tooltip_text(control_spec(ControlId::Label2), "Cannot create \"x\": denied"), "Cannot create \"x\": denied");
  EXPECT_EQ(tooltip_text(control_spec(ControlId::Label3), "Output folder:"), "");
  EXPECT_EQ(shift_state(true, false, false), vbShiftMask);
  EXPECT_EQ(shift_state(false, false, true), vbAltMask);
  EXPECT_EQ(shift_state(true, true, true), 7);
  EXPECT_EQ(mouse_button_code(PointerButton::right), vbRightButton);
  EXPECT_EQ(mouse_button_code(PointerButton::middle), vbMiddleButton);
  EXPECT_EQ(mouse_button_code(PointerButton::other), 0);
}

TEST(FormLayout, MenusHoldTheirItems) {
  EXPECT_EQ(menu_spec(MenuId::mnuPopUp).items.size(), 2u);
  EXPECT_EQ(menu_spec(MenuId::mnuPopUp).items[1].caption, "Delete &all");
  EXPECT_EQ(menu_spec(MenuId::mnuPopUp2).items[0].caption, "Add to right click on drives, folders (registry)");
}

}  // namespace
}  // namespace korvint::ui
