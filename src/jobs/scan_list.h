#pragma once
// The scan list and the controls beside it: adding drives and folders,
// removing entries, loading an entry for the next scan, the two "..." buttons
// and "&Clear".

#include <cstdint>
#include <string>

#include "ui/form1.h"

namespace korvint::jobs {

/// The scan root of a drive-box entry: Windows its first two characters and
/// "\"; POSIX the mount point with a trailing "/".
std::string drive_root(const std::string& entry);

/// "Add drive to scan list": appends the root of the drive chosen in the drive box.
void Command3_Click(ui::Form1& form);

/// "Browse for folder and add to list": appends the folder chosen in the dialog, unchanged.
void Command4_Click(ui::Form1& form);

/// "..." beside the output folder: the chosen folder, ending in a separator, into Text5.
void Command6_Click(ui::Form1& form);

/// "&Clear": empties the output name.
void Command7_Click(ui::Form1& form);

/// "..." beside the path box: the chosen folder, ending in a separator, into
/// Text1, and a fresh output name.
void Command9_Click(ui::Form1& form);

/// The selection moved to an entry: it goes into Text1 with a fresh output name.
void List1_Click(ui::Form1& form);

/// A mouse button went down over the list: the right button selects the entry
/// under the pointer (by a click there) and opens the list's menu.
void List1_MouseDown(ui::Form1& form, std::int16_t Button);

/// "&Delete": removes the selected entry, if any.
void mnuDelete_Click(ui::Form1& form);

/// "Delete &all": removes every entry.
void mnuDeleteAll_Click(ui::Form1& form);

}  // namespace korvint::jobs
