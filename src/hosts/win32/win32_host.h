#pragma once
// The window host on Windows: the event loop, the wait pointer, menus, message
// boxes, the folder dialog and the injected click, over the main window.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/form_host.h"
#include "hosts/win32/form_window.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

class Win32Host final : public FormHost {
 public:
  /// `window` must outlive the host.
  explicit Win32Host(FormWindow& window) : window_(window) {}
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  void DoEvents() override;
  void setHourglass(bool busy) override { window_.set_busy(busy); }
  void showWindow() override;
  void closeWindow() override;
  std::optional<MenuItemId> popupMenu(MenuId menu) override;
  void messageBox(std::string_view text, std::string_view title) override;
  std::string BrowseFolder() override;
  void ClickDaMouse() override;
  [[nodiscard]] bool focusInTextBox() const override;
  void enablePathCompletion() override;

 private:
  FormWindow& window_;
};

}  // namespace korvint::hosts::win32
