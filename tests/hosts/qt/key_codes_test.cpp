// Qt's keys in the numbering of Windows virtual keys.

#include <gtest/gtest.h>

#include "hosts/qt/qt_key_codes.h"

namespace korvint::ui::qt {
namespace {

TEST(QtKeyCodes, KeysGetTheirWindowsCodes) {
  EXPECT_EQ(virtual_key_code(Qt::Key_P, 33, false), 80);
  EXPECT_EQ(virtual_key_code(Qt::Key_X, 53, false), 88);
  EXPECT_EQ(virtual_key_code(Qt::Key_7, 16, false), 0x37);
  EXPECT_EQ(virtual_key_code(Qt::Key_7, 79, true), 0x67);  // keypad 7
  EXPECT_EQ(virtual_key_code(Qt::Key_F1, 67, false), 0x70);
  EXPECT_EQ(virtual_key_code(Qt::Key_F12, 96, false), 0x7B);
  EXPECT_EQ(virtual_key_code(Qt::Key_Return, 36, false), 13);
  EXPECT_EQ(virtual_key_code(Qt::Key_Escape, 9, false), 27);
  EXPECT_EQ(virtual_key_code(Qt::Key_Left, 113, false), 37);
  EXPECT_EQ(virtual_key_code(Qt::Key_Delete, 119, false), 46);
  EXPECT_EQ(virtual_key_code(Qt::Key_Alt, 64, false), 18);
  EXPECT_EQ(virtual_key_code(Qt::Key_Comma, 59, false), 0xBC);
  EXPECT_EQ(virtual_key_code(Qt::Key_VolumeUp, 123, false), 0);
}

TEST(QtKeyCodes, LettersOfOtherAlphabetsAreNamedByTheirPlace) {
  // Cyrillic "ч" lies where X lies; Alt+X must close the window there too.
  EXPECT_EQ(virtual_key_code(0x0427, 53, false), 88);
  EXPECT_EQ(virtual_key_code(0x0417, 33, false), 80);  // "з" on P
  EXPECT_EQ(virtual_key_code(0x0427, 0, false), 0);     // no key code known
}

TEST(QtKeyCodes, ModifiersAndMouseButtons) {
  EXPECT_EQ(shift_state(Qt::AltModifier), 4);
  EXPECT_EQ(shift_state(Qt::ShiftModifier | Qt::ControlModifier), 3);
  EXPECT_EQ(shift_state(Qt::KeypadModifier), 0);
  EXPECT_EQ(mouse_button_number(Qt::RightButton), 2);
  EXPECT_EQ(mouse_button_number(Qt::MiddleButton), 4);
  EXPECT_EQ(mouse_button_number(Qt::BackButton), 0);
}

}  // namespace
}  // namespace korvint::ui::qt
