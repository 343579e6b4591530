#pragma once
// The control model over Win32 child windows: every property is read from and
// written to the control itself, UTF-8 outside, UTF-16 inside.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "ui/controls.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The text of any window (a control's text or a window's caption).
std::string window_text(HWND window);

/// Sets the text of any window.
void set_window_text(HWND window, std::string_view text);

/// An EDIT control.
class Win32TextBox final : public TextBox {
 public:
  explicit Win32TextBox(HWND edit) : edit_(edit) {}
  [[nodiscard]] std::string text() const override { return window_text(edit_); }
  void setText(std::string_view text) override;
  /// True while the program sets the text: the EN_CHANGE meanwhile is not typing.
  [[nodiscard]] bool quiet() const { return quiet_; }

 private:
  bool quiet_ = false;
  HWND edit_;
};

/// A STATIC control, or the main window whose caption it is.
class Win32Label final : public Label {
 public:
  /// `changed`, when given, runs after each new caption (a tooltip showing
  /// the caption shows the new one).
  explicit Win32Label(HWND window, std::function<void()> changed = {})
      : window_(window), changed_(std::move(changed)) {}
  [[nodiscard]] std::string caption() const override { return window_text(window_); }
  void setCaption(std::string_view caption) override {
    set_window_text(window_, caption);
    if (changed_) changed_();
  }

 private:
  HWND window_;
  std::function<void()> changed_;
};

/// A BUTTON. `release_focus` runs before a button that has the keyboard focus
/// is hidden or disabled, so the focus can move on rather than get lost.
class Win32Button final : public Button {
 public:
  Win32Button(HWND button, std::function<void(HWND)> release_focus)
      : button_(button), release_focus_(std::move(release_focus)) {}
  [[nodiscard]] bool visible() const override;
  void setVisible(bool visible) override;
  [[nodiscard]] bool enabled() const override { return IsWindowEnabled(button_) != FALSE; }
  void setEnabled(bool enabled) override;

 private:
  void move_focus_away();

  HWND button_;
  std::function<void(HWND)> release_focus_;
};

/// A LISTBOX with single selection. The window tells it of LBN_SELCHANGE
/// through selection_changed().
class Win32ListBox final : public ListBox {
 public:
  explicit Win32ListBox(HWND list) : list_(list) {}

 protected:
  [[nodiscard]] int row_count() const override;
  [[nodiscard]] std::string row_text(int row) const override;
  [[nodiscard]] int selected_row() const override;
  void select_row(int row) override;
  void append_row(std::string_view entry) override;
  void remove_row(int row) override;
  void remove_all_rows() override;

 private:
  HWND list_;
};

/// A drop-down COMBOBOX of drives.
class Win32DriveBox final : public DriveBox {
 public:
  explicit Win32DriveBox(HWND combo) : combo_(combo) {}
  [[nodiscard]] int ListCount() const override;
  [[nodiscard]] std::string List(int index) const override;
  [[nodiscard]] int ListIndex() const override;

 private:
  HWND combo_;
};

}  // namespace korvint::hosts::win32
