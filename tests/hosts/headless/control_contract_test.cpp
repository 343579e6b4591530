// The headless controls keep the contracts of the control model.

#include <gtest/gtest.h>

#include <algorithm>

#include "hosts/headless/headless_form.h"
#include "support/control_contract.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;
namespace {

TEST(HeadlessControls, KeepTheControlModelsContracts) {
  HeadlessForm window;
  HeadlessListBox& list = window.List1;
  test::expect_list_box_contract(
      list, {.clicks = [&](int row) { list.user_clicks(row); },
             .double_clicks =
                 [&](int row) {
                   list.user_clicks(row);
                   list.user_clicks(row);
                 },
             .clicks_below_entries = [&] { list.user_clicks(-1); },
             .presses_up = [&] { list.user_keys_to(std::max(list.ListIndex() - 1, 0)); }});
  test::expect_button_contract(window.mStop);
  test::expect_text_contract(window.Text1, window.Label2);
}

}  // namespace
}  // namespace korvint::hosts::headless
