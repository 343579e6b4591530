#pragma once
// The help message and the window's two keyboard shortcuts.

#include <cstdint>
#include <string>

#include "ui/form1.h"

namespace korvint::app {

/// The help text: three lines joined by CR LF, the third the project's web address (none yet).
std::string help_text();

/// "?": shows the help text in a message box titled "Korvint".
void Command2_Click(ui::Form1& form);

/// Virtual-key codes of the shortcuts.
constexpr std::int16_t kKeyP = 80;
constexpr std::int16_t kKeyX = 88;

/// A key was released: P injects a click at the pointer, unless the focus is in
/// a text box (where P is a letter being typed); Alt+X alone closes the window,
/// stopping a running scan first.
void Form_KeyUp(ui::Form1& form, std::int16_t KeyCode, std::int16_t Shift);

}  // namespace korvint::app
