#pragma once
// The contracts of the control model (ui/controls.h), checked once here and
// run against every host's controls.

#include <functional>

#include "ui/controls.h"

namespace korvint::test {

/// How the user acts on a host's list, through that host's toolkit, so that
/// the toolkit reports it as it reports the real thing.
struct ListUser {
  std::function<void(int row)> clicks;          ///< a left click on entry `row`
  std::function<void(int row)> double_clicks;   ///< a double click on entry `row` (two presses)
  std::function<void()> clicks_below_entries;   ///< a left click below the last entry
  std::function<void()> presses_up;             ///< the Up arrow key with the focus on the list
};

/// Checks the list box contract on `list`, a host's list: entries, selection,
/// RemoveItem and Clear leaving no selection, and the click handler running
/// once per left press on an entry (the selected one included, both of a
/// double click), never for one below the entries, and once per move by a key
/// or the program. `list`'s click handler is replaced meanwhile and
/// left unset; the list is left empty.
void expect_list_box_contract(ui::ListBox& list, const ListUser& user);

/// Checks that a host's button keeps its own visible and enabled settings.
void expect_button_contract(ui::Button& button);

/// Checks that a host's text box and label read back what was set, "&" included.
void expect_text_contract(ui::TextBox& box, ui::Label& label);

}  // namespace korvint::test
