#pragma once
// The contracts of the control model (ui/controls.h), checked once here and
// run against every host's controls.

#include <functional>

#include "ui/controls.h"

namespace korvint::test {

/// Checks the list box contract on `list`, a host's list: entries, selection,
/// RemoveItem and Clear leaving no selection, and the click handler running
/// once per move to another entry. `user_selects(row)` selects `row` the way
/// a user does, so that the host's toolkit reports it. `list`'s click handler
/// is replaced meanwhile and left unset; the list is left empty.
void expect_list_box_contract(ui::ListBox& list, const std::function<void(int)>& user_selects);

/// Checks that a host's button keeps its own visible and enabled settings.
void expect_button_contract(ui::Button& button);

/// Checks that a host's text box and label read back what was set, "&" included.
void expect_text_contract(ui::TextBox& box, ui::Label& label);

}  // namespace korvint::test
