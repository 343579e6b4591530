#pragma once
// The window's second popup menu: adding and removing the file manager's
// "Korvint scan" entry for folders.

#include <cstdint>

#include "ui/form1.h"

namespace korvint::shell {

/// A mouse button was released over the window's surface: the right button
/// opens the menu with the two entry commands.
void Form_MouseUp(ui::Form1& form, std::int16_t Button);

/// Adds the right-click entry pointing at this program's folder. Adding it
/// again rewrites the same entry. The count label says where it was written
/// (on Windows) or why it could not be.
void mnuReg_Click(ui::Form1& form);

/// Removes the right-click entry; the count label says from where (on
/// Windows) or why not. Removing an absent one does nothing and shows nothing.
void mnuRegRem_Click(ui::Form1& form);

}  // namespace korvint::shell
