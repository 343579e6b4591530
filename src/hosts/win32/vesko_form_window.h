#pragma once
// Vesko's main window: the window with every control of its layout table,
// laid out anew as it is resized, turning Win32 messages into the window's
// events (app/vesko_form_events).

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hosts/win32/delayed_posts.h"
#include "hosts/win32/splitter_drag.h"
#include "hosts/win32/top_level_window.h"
#include "hosts/win32/vesko_win32_controls.h"
#include "hosts/win32/win32_controls.h"
#include "hosts/win32/win32_handles.h"
#include "ui/posted_tasks.h"
#include "ui/vesko_layout.h"
#include "ui/window_memory.h"

namespace korvint::app {
class VeskoWindow;
}

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The window class of Vesko's window.
inline constexpr const wchar_t* kVeskoWindowClass = L"VeskoWindow";

/// Posted to the window when work from the worker waits to run.
inline constexpr UINT kRunPostedMessage = WM_APP + 1;
/// Posted by the folder watch when the catalogue folders changed.
inline constexpr UINT kFoldersChangedMessage = WM_APP + 3;

/// Posted when a task of post_after() is due (wparam: its id).
inline constexpr UINT kRunDelayedMessage = WM_APP + 4;

class VeskoFormWindow final : public TopLevelWindow {
 public:
  /// Creates the window, hidden, with its controls, at the screen's
  /// resolution; `show_command` is how it first appears (SW_...).
  explicit VeskoFormWindow(int show_command = SW_SHOWNORMAL);
  /// Destroys the window if it is still there.
  ~VeskoFormWindow() override;
  /// The child window of a control; nullptr when the window could not be created.
  [[nodiscard]] HWND control(VeskoControlId id) const {
    const auto slot = static_cast<std::size_t>(id);
    return slot < controls_.size() ? controls_[slot] : nullptr;
  }
  /// The control whose window `window` is or lies in; nullopt for none.
  [[nodiscard]] std::optional<VeskoControlId> control_of(HWND window) const;

  /// The controls as the handlers see them (over nullptr when the window could not be created).
  [[nodiscard]] Win32TextBox& txtQuery() { return *query_; }
  [[nodiscard]] Win32Label& lblFolder() { return *folder_; }
  [[nodiscard]] Win32Label& lblStatus() { return *status_; }
  [[nodiscard]] VeskoListView& lstCatalogues() { return *catalogues_; }
  [[nodiscard]] VeskoListView& lstResults() { return *results_; }

  /// Routes the window's events to `vesko` from now on; nullptr stops that.
  void attach(app::VeskoWindow* vesko) { vesko_ = vesko; }
  /// Where the events go; nullptr when nowhere.
  [[nodiscard]] app::VeskoWindow* vesko() const { return vesko_; }

  /// Runs `task` on the window's thread soon; callable from any thread.
  void post(std::function<void()> task);
  /// Runs `task` on the window's thread once `delay` has passed (a posted
  /// message, not held back behind other messages as WM_TIMER is); called on
  /// the window's thread.
  void post_after(std::chrono::milliseconds delay, std::function<void()> task);
  /// Drops the tasks posted and not yet run, delayed ones too.
  void drop_posted();

  /// Where the results' menu pops up, once, when the keyboard or a click on a
  /// row asked for it (screen coordinates); nullopt: at the mouse pointer.
  std::optional<POINT> take_menu_point() { return std::exchange(menu_at_, std::nullopt); }

  /// The window's keys and the dialog keys (vesko_keyboard.h).
  bool pre_translate(MSG& msg) override;

  /// The resolution the window is laid out at: its monitor's.
  [[nodiscard]] int dpi() const { return dpi_; }

  /// The window as it stands (place, splitter, columns, sort), for the next start.
  [[nodiscard]] VeskoWindowMemory memory() const;
  /// Puts the window back as `memory` says, never off the monitors there are
  /// now; before it is first shown, with its events routed (attach()).
  void restore(const VeskoWindowMemory& memory);
  /// Runs when the user closes the window, before it goes.
  std::function<void()> on_close;

 private:
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT on_notify(const NMHDR& header, LPARAM lparam);
  void on_context_menu(LPARAM lparam);
  void lay_out();
  // The columns that take the spare width take it: at least their own.
  void fit_columns();
  // Lays the window out anew at `dpi`: fonts, columns, the splitter.
  void apply_dpi(int dpi);
  // Whether `at` (client coordinates) lies on the splitter between the tables.
  [[nodiscard]] bool on_splitter(POINT at) const;
  // The catalogues' selection in the highlight colours while the list has no focus.
  LRESULT draw_catalogue(NMLVCUSTOMDRAW& draw) const;

  std::vector<HWND> controls_;  // by VeskoControlId
  HWND tooltips_ = nullptr;
  std::wstring query_tip_;
  std::wstring tip_text_;  // the text a label's tooltip shows now
  FontHandle font_;
  int dpi_ = 96;
  std::vector<PixelRect> placed_;  // where each control was put last, by VeskoControlId
  std::optional<int> split_;       // the catalogues' height where the splitter was put; nullopt: as drawn
  SplitterDrag splitter_;
  bool selection_change_posted_ = false;
  std::optional<POINT> menu_at_;
  PostedTasks posted_;
  DelayedPosts delayed_{kRunDelayedMessage};
  app::VeskoWindow* vesko_ = nullptr;
  std::unique_ptr<Win32TextBox> query_;
  std::unique_ptr<Win32Label> folder_, status_;
  std::unique_ptr<VeskoListView> catalogues_, results_;
};

}  // namespace korvint::hosts::win32
