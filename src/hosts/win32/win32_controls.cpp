#include "hosts/win32/win32_controls.h"

#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

using platform::win32::to_utf8;
using platform::win32::to_wide;

// Text of an entry of a list (LB_GETTEXTLEN/LB_GETTEXT) or combo box (CB_...).
std::string entry_text(HWND control, UINT length_message, UINT text_message, int index) {
  const LRESULT length = SendMessageW(control, length_message, static_cast<WPARAM>(index), 0);
  if (length < 0) return std::string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(control, text_message, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  if (got < 0) return std::string();
  text.resize(static_cast<std::size_t>(got));
  return to_utf8(text);
}

// An index from a list or combo box message; their errors are negative.
int index_result(LRESULT result) { return result < 0 ? -1 : static_cast<int>(result); }

}  // namespace

void Win32TextBox::setText(std::string_view text) {
  quiet_ = true;
  set_window_text(edit_, text);
  quiet_ = false;
}

std::string window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return to_utf8(text);
}

void set_window_text(HWND window, std::string_view text) {
  SetWindowTextW(window, to_wide(text).c_str());
}

bool Win32Button::visible() const {
  // The button's own property, true even while the window itself is hidden.
  return (GetWindowLongPtrW(button_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Button::setVisible(bool visible) {
  if (!visible) move_focus_away();
  ShowWindow(button_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Button::setEnabled(bool enabled) {
  if (!enabled) move_focus_away();
  EnableWindow(button_, enabled ? TRUE : FALSE);
}

void Win32Button::move_focus_away() {
  if (GetFocus() == button_ && release_focus_) release_focus_(button_);
}

int Win32ListBox::row_count() const {
  const int count = index_result(SendMessageW(list_, LB_GETCOUNT, 0, 0));
  return count < 0 ? 0 : count;
}

std::string Win32ListBox::row_text(int row) const { return entry_text(list_, LB_GETTEXTLEN, LB_GETTEXT, row); }

int Win32ListBox::selected_row() const { return index_result(SendMessageW(list_, LB_GETCURSEL, 0, 0)); }

void Win32ListBox::select_row(int row) { SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0); }

void Win32ListBox::append_row(std::string_view entry) {
  SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(entry).c_str()));
}

void Win32ListBox::remove_row(int row) { SendMessageW(list_, LB_DELETESTRING, static_cast<WPARAM>(row), 0); }

void Win32ListBox::remove_all_rows() { SendMessageW(list_, LB_RESETCONTENT, 0, 0); }

int Win32DriveBox::ListCount() const {
  const int count = index_result(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
  return count < 0 ? 0 : count;
}

std::string Win32DriveBox::List(int index) const {
  if (index < 0 || index >= ListCount()) return std::string();
  return entry_text(combo_, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

int Win32DriveBox::ListIndex() const { return index_result(SendMessageW(combo_, CB_GETCURSEL, 0, 0)); }

}  // namespace korvint::hosts::win32
