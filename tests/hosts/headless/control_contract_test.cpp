// The headless controls keep the contracts of the control model.

#include <gtest/gtest.h>

#include "hosts/headless/headless_form.h"
#include "support/control_contract.h"

namespace korvint::ui::headless {
namespace {

TEST(HeadlessControls, KeepTheControlModelsContracts) {
  HeadlessForm window;
  test::expect_list_box_contract(window.List1, [&](int row) { window.List1.user_selects(row); });
  test::expect_button_contract(window.mStop);
  test::expect_text_contract(window.Text1, window.Label2);
}

}  // namespace
}  // namespace korvint::ui::headless
