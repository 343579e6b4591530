#pragma once
// Routes the window's events to their handlers. Every host translates its
// toolkit's events into these calls, so the handlers are written once.

#include <cstdint>

#include "ui/form1.h"
#include "ui/form_ids.h"

namespace korvint::app {

/// Connects what the form model reports by itself to its handler: a click on
/// a scan-list entry, or a move of the selection, runs List1_Click. Every host calls it once when it
/// has built its form.
void connect_form(ui::Form1& form);

/// A button was pressed (by mouse, keyboard or access key).
void on_click(ui::Form1& form, ui::ControlId button);

/// A character key was typed into a text box; `KeyAscii` may be changed (0 swallows it).
void on_key_press(ui::Form1& form, ui::ControlId box, std::int16_t& KeyAscii);

/// A key was released anywhere in the window (key preview): virtual-key code and modifier bits.
void on_key_up(ui::Form1& form, std::int16_t KeyCode, std::int16_t Shift);

/// An entry of the scan list was clicked, or the selection moved to one.
void on_list_click(ui::Form1& form);

/// A mouse button went down over the scan list.
void on_list_mouse_down(ui::Form1& form, std::int16_t Button);

/// A mouse button was released over the window's own surface (not a control).
void on_form_mouse_up(ui::Form1& form, std::int16_t Button);

/// A popup menu item was chosen.
void on_menu_item(ui::Form1& form, ui::MenuItemId item);

/// The user asked to close the window (close box, system menu).
void on_close_request(ui::Form1& form);

}  // namespace korvint::app
