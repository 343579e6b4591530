#pragma once
// Vesko's Win32 window: native controls laid out by the shared layout table
// (resizable), owner-data list views for the catalogues and the results, its
// host (posted work arrives as a window message), and its message loop.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/vesko_window_start.h"
#include "hosts/win32/vesko_folder_watch.h"
#include "hosts/win32/vesko_win32_controls.h"
#include "hosts/win32/win32_handles.h"
#include "ui/posted_tasks.h"
#include "ui/vesko_host.h"

namespace korvint::ui::win32 {

/// The window class of Vesko's window.
inline constexpr const wchar_t* kVeskoWindowClass = L"VeskoWindow";

/// Posted to the window when work from the worker waits to run.
inline constexpr UINT kRunPostedMessage = WM_APP + 1;
/// Posted by the folder watch when the catalogue folders changed.
inline constexpr UINT kFoldersChangedMessage = WM_APP + 3;

class VeskoWin32Window final : private VeskoHost {
 public:
  /// Creates the window, hidden, and its session; `places` and
  /// `default_folder` say where the catalogue folder is looked up.
  VeskoWin32Window(app::VeskoWindowOptions options, std::vector<std::string> places, std::string default_folder,
                   jobs::VeskoServices services = {}, int show_command = SW_SHOWNORMAL);
  /// Stops the search, then destroys the window.
  ~VeskoWin32Window() override;
  VeskoWin32Window(const VeskoWin32Window&) = delete;
  VeskoWin32Window& operator=(const VeskoWin32Window&) = delete;

  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] HWND control(VeskoControlId id) const { return controls_[static_cast<std::size_t>(id)]; }
  [[nodiscard]] app::VeskoWindow& vesko() { return *vesko_; }

  /// Handles the window's keys before the message is dispatched; true when it was.
  bool pre_translate(MSG& msg);
  /// Delivers messages until the window is closed; returns the exit code.
  int run_message_loop();
  /// Delivers every pending message and returns; false once the window is gone.
  bool deliver_pending();

 private:
  // VeskoHost
  void post(std::function<void()> task) override;
  void dropPosted() override { posted_.clear(); }
  void showWindow() override;
  void closeWindow() override;
  std::string BrowseFolder(std::string_view start) override;
  void setClipboardText(std::string_view text) override;
  std::optional<ResultMenuItem> popupResultMenu() override;
  void messageBox(std::string_view text) override;
  void focusControl(VeskoControlId id) override;
  void watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>& files) override;

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT on_notify(const NMHDR& header, LPARAM lparam);
  void on_context_menu(LPARAM lparam);
  void create_controls();
  void lay_out();
  [[nodiscard]] std::optional<VeskoControlId> control_of(HWND window) const;

  HWND hwnd_ = nullptr;
  std::vector<HWND> controls_;
  HWND tooltips_ = nullptr;
  std::wstring query_help_;
  std::wstring status_tip_;
  FontHandle font_;
  int dpi_ = 96;
  int show_command_;
  bool selection_change_posted_ = false;
  std::optional<POINT> menu_at_;
  PostedTasks posted_;
  std::unique_ptr<VeskoEdit> query_;
  std::unique_ptr<VeskoStatic> folder_, status_;
  std::unique_ptr<VeskoListView> catalogues_, results_;
  std::unique_ptr<FolderWatch> watch_;
  std::unique_ptr<VeskoForm> form_;
  std::unique_ptr<app::VeskoWindow> vesko_;
};

}  // namespace korvint::ui::win32
