#include "hosts/qt/qt_key_codes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <utility>

#include "ui/form_ids.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

// Keys whose virtual-key code is not their Qt value.
constexpr std::pair<int, std::int16_t> kNamedKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},     {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},   {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},     {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},    {Qt::Key_Down, 0x28},
    {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},   {Qt::Key_Delete, 0x2E},
    {Qt::Key_Meta, 0x5B},      {Qt::Key_Menu, 0x5D},     {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91}, {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Equal, 0xBB},
    {Qt::Key_Comma, 0xBC},     {Qt::Key_Minus, 0xBD},    {Qt::Key_Period, 0xBE},
    {Qt::Key_Slash, 0xBF},     {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
};

// The X11 key codes (evdev + 8) of the letter and digit keys of a US keyboard.
std::int16_t us_key_at(unsigned x_keycode) {
  static constexpr char kTopRow[] = "QWERTYUIOP";   // 24..33
  static constexpr char kHomeRow[] = "ASDFGHJKL";   // 38..46
  static constexpr char kBottomRow[] = "ZXCVBNM";   // 52..58
  static constexpr char kDigits[] = "1234567890";   // 10..19
  if (x_keycode >= 24 && x_keycode <= 33) return kTopRow[x_keycode - 24];
  if (x_keycode >= 38 && x_keycode <= 46) return kHomeRow[x_keycode - 38];
  if (x_keycode >= 52 && x_keycode <= 58) return kBottomRow[x_keycode - 52];
  if (x_keycode >= 10 && x_keycode <= 19) return kDigits[x_keycode - 10];
  return 0;
}

}  // namespace

std::int16_t virtual_key_code(int qt_key, unsigned x_keycode, bool keypad) {
  if (keypad && qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) {
    return static_cast<std::int16_t>(0x60 + (qt_key - Qt::Key_0));
  }
  if (keypad) {
    switch (qt_key) {
      case Qt::Key_Asterisk: return 0x6A;
      case Qt::Key_Plus: return 0x6B;
      case Qt::Key_Minus: return 0x6D;
      case Qt::Key_Period: return 0x6E;
      case Qt::Key_Slash: return 0x6F;
      default: break;
    }
  }
  if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) || (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)) {
    return static_cast<std::int16_t>(qt_key);
  }
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) {
    return static_cast<std::int16_t>(0x70 + (qt_key - Qt::Key_F1));
  }
  for (const auto& [key, code] : kNamedKeys) {
    if (key == qt_key) return code;
  }
  // A letter of another alphabet: Windows names the key by its US place.
  if (qt_key > 0x7F && qt_key < Qt::Key_Escape) return us_key_at(x_keycode);
  return 0;
}

std::int16_t virtual_key_code(const QKeyEvent& key) {
  // Only the X11 platforms number keys the way us_key_at reads them.
  const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  return virtual_key_code(key.key(), x11 ? key.nativeScanCode() : 0,
                          key.modifiers().testFlag(Qt::KeypadModifier));
}

std::int16_t shift_state(Qt::KeyboardModifiers modifiers) {
  return ui::shift_state(modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
                         modifiers.testFlag(Qt::AltModifier));
}

std::optional<std::int16_t> key_ascii(const QKeyEvent& key) {
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) return std::int16_t{13};
  if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return std::nullopt;
  const QString text = key.text();
  if (text.isEmpty()) return std::nullopt;
  return static_cast<std::int16_t>(text.at(0).unicode());
}

std::int16_t mouse_button_number(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return mouse_button_code(PointerButton::left);
    case Qt::RightButton: return mouse_button_code(PointerButton::right);
    case Qt::MiddleButton: return mouse_button_code(PointerButton::middle);
    default: return mouse_button_code(PointerButton::other);
  }
}

}  // namespace korvint::hosts::qt
