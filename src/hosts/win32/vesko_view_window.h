#pragma once
// Vesko's view window over Win32: a window of its own, owned by the main one
// (above it, minimised with it), with a row of the view's options, one
// owner-data list view (its columns those of the view shown, sorted by a
// header click) and a status line; its events go to the views' handlers.
// Closing it hides it.

#include <windows.h>

#include <array>
#include <memory>
#include <span>

#include "hosts/win32/vesko_side_window.h"
#include "hosts/win32/vesko_win32_controls.h"
#include "hosts/win32/win32_controls.h"
#include "ui/vesko_views.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The window class of the view window.
inline constexpr const wchar_t* kVeskoViewWindowClass = L"VeskoViewWindow";

class VeskoViewWindow final : public VeskoSideWindow, public ViewWindow {
 public:
  /// Creates the window, hidden, owned by `owner`, at `dpi`; its events go to `events`.
  VeskoViewWindow(HWND owner, int dpi, ViewEvents& events);
  ~VeskoViewWindow() override;

  TableView& lstView() override { return *list_; }
  Label& lblViewStatus() override { return *status_; }
  void showView(std::string_view title, std::span<const VeskoColumn> columns) override;
  void showOptions(const ViewOptions& options) override;
  [[nodiscard]] ViewOptions options() const override;
  /// Tab and Shift+Tab through the options and the list, Alt with an option's letter.
  bool pre_translate(MSG& msg) override;
  /// Puts the window, not shown yet, where it was left (`rect`, on a screen
  /// that may have changed since), maximized or not.
  void restore_place(const PixelRect& rect, bool maximized);

  [[nodiscard]] HWND list() const { return list_hwnd_; }
  [[nodiscard]] HWND status() const { return status_hwnd_; }
  /// The options' controls: the "By" drop-down, the two check boxes, the two folder boxes.
  [[nodiscard]] HWND by() const { return options_[kBy]; }
  [[nodiscard]] HWND ignoreDate() const { return options_[kIgnoreDate]; }
  [[nodiscard]] HWND all() const { return options_[kAll]; }
  [[nodiscard]] HWND folderA() const { return options_[kFolderA]; }
  [[nodiscard]] HWND folderB() const { return options_[kFolderB]; }

 private:
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT on_notify(const NMHDR& header, LPARAM lparam);
  void on_context_menu(LPARAM lparam);
  void on_command(WPARAM wparam, LPARAM lparam);
  void make_options(HINSTANCE instance);
  void lay_out() override;
  void rescale_contents(int from, int to) override;
  // The height of the row of options.
  [[nodiscard]] int options_height() const;
  // Enter in a folder box confirms it, as leaving it does.
  static LRESULT CALLBACK folder_box_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                          DWORD_PTR window);

  // The options' controls by their place in options_, in their row's order.
  enum Option { kByLabel, kBy, kIgnoreDate, kAll, kFolderALabel, kFolderA, kFolderBLabel, kFolderB, kOptionCount };

  ViewEvents& events_;
  HWND list_hwnd_ = nullptr;
  HWND status_hwnd_ = nullptr;
  std::unique_ptr<VeskoListView> list_;
  std::unique_ptr<Win32Label> status_;
  std::span<const VeskoColumn> columns_;
  std::array<HWND, kOptionCount> options_{};
  bool comparison_ = false;  ///< the comparison's options shown, else the duplicates'
};

}  // namespace korvint::hosts::win32
