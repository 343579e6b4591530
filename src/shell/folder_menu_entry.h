#pragma once
// The window's second popup menu: adding and removing the file manager's
// "Korvint scan" entry for folders.

#include <cstdint>

#include "ui/form1.h"

namespace korvint::shell {

/// A mouse button was released over the window's surface: the right button
/// opens the menu with the two entry commands.
void Form_MouseUp(ui::Form1& form, std::int16_t Button);

/// The status heading when the entry could not be added or removed; the count
/// label then holds the reason.
inline constexpr const char* kMenuEntryFailed = "Right-click entry:";

/// Adds the right-click entry pointing at this program's folder. Adding it
/// again rewrites the same entry. Shows nothing on success; a failure goes to
/// the labels (kMenuEntryFailed and the reason).
void mnuReg_Click(ui::Form1& form);

/// Removes the right-click entry, showing a failure as mnuReg_Click does.
/// Removing an absent one does nothing and shows nothing.
void mnuRegRem_Click(ui::Form1& form);

}  // namespace korvint::shell
