#pragma once
// Vesko's view window over Win32: a window of its own, owned by the main one
// (above it, minimised with it), with one owner-data list view (its columns
// those of the view shown) and a status line; its events go to the views'
// handlers. Closing it hides it.

#include <windows.h>

#include <memory>
#include <span>

#include "hosts/win32/top_level_window.h"
#include "hosts/win32/vesko_win32_controls.h"
#include "hosts/win32/win32_controls.h"
#include "hosts/win32/win32_handles.h"
#include "ui/vesko_views.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The window class of the view window.
inline constexpr const wchar_t* kVeskoViewWindowClass = L"VeskoViewWindow";

class VeskoViewWindow final : public TopLevelWindow, public ViewWindow {
 public:
  /// Creates the window, hidden, owned by `owner`, at `dpi`; its events go to `events`.
  VeskoViewWindow(HWND owner, int dpi, ViewEvents& events);
  ~VeskoViewWindow() override;

  TableView& lstView() override { return *list_; }
  Label& lblViewStatus() override { return *status_; }
  void showView(std::string_view title, std::span<const VeskoColumn> columns) override;
  bool pre_translate(MSG&) override { return false; }

  [[nodiscard]] HWND list() const { return list_hwnd_; }
  [[nodiscard]] HWND status() const { return status_hwnd_; }

 private:
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT on_notify(const NMHDR& header, LPARAM lparam);
  void on_context_menu(LPARAM lparam);
  void lay_out();

  ViewEvents& events_;
  int dpi_;
  FontHandle font_;
  HWND list_hwnd_ = nullptr;
  HWND status_hwnd_ = nullptr;
  std::unique_ptr<VeskoListView> list_;
  std::unique_ptr<Win32Label> status_;
  std::span<const VeskoColumn> columns_;
};

}  // namespace korvint::hosts::win32
