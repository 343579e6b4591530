#pragma once
// Qt's keys and mouse buttons in the numbering the handlers use: Windows
// virtual-key codes, modifier bits, character codes, mouse button numbers.

#include <QtCore/qnamespace.h>
#include <cstdint>
#include <optional>

class QKeyEvent;

namespace korvint::hosts::qt {

/// The virtual-key code of a key: `qt_key` as Qt names it, `x_keycode` the
/// X11 key code of the key pressed (0 if unknown), `keypad` true for a keypad
/// key. A letter or digit of another alphabet gets the code of the key at the
/// same place on a US keyboard, as Windows gives it. 0 for keys without one.
std::int16_t virtual_key_code(int qt_key, unsigned x_keycode, bool keypad);

/// The virtual-key code of `key`.
std::int16_t virtual_key_code(const QKeyEvent& key);

/// Modifier bits: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t shift_state(Qt::KeyboardModifiers modifiers);

/// The character code a key types: 13 for Return and Enter, else its first
/// UTF-16 unit; nothing for keys that type no character and for Tab, which moves the focus.
std::optional<std::int16_t> key_ascii(const QKeyEvent& key);

/// 1 left, 2 right, 4 middle; 0 for other buttons.
std::int16_t mouse_button_number(Qt::MouseButton button);

}  // namespace korvint::hosts::qt
