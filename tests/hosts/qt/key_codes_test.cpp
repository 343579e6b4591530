// Qt's keys in the numbering of Windows virtual keys.

#include <gtest/gtest.h>

#include "hosts/qt/qt_key_codes.h"

namespace korvint::hosts::qt {
namespace {

TEST(QtKeyCodes, KeysGetTheirWindowsCodes) {
  struct Case {
    int qt_key;
    unsigned x_keycode;
    bool keypad;
    std::int16_t expected;
  };
  for (const Case& c : {
           Case{Qt::Key_X, 53, false, 'X'},
           Case{Qt::Key_7, 16, false, '7'},
           Case{Qt::Key_7, 79, true, 0x67},          // keypad 7
           Case{Qt::Key_Minus, 82, true, 0x6D},      // keypad minus
           Case{Qt::Key_Minus, 20, false, 0xBD},     // the minus key
           Case{Qt::Key_F12, 96, false, 0x7B},
           Case{Qt::Key_Enter, 104, false, 0x0D},
           // A letter of another alphabet is named by its place: Cyrillic "ч"
           // lies where X lies, and Alt+X must close the window there too.
           Case{0x0427, 53, false, 'X'},
           Case{0x0427, 0, false, 0},                // no key code known
           Case{Qt::Key_VolumeUp, 123, false, 0},
       }) {
    EXPECT_EQ(virtual_key_code(c.qt_key, c.x_keycode, c.keypad), c.expected) << std::hex << c.qt_key;
  }
}

}  // namespace
}  // namespace korvint::hosts::qt
