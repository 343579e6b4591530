#pragma once
// A complete Vesko window on Windows: the window with its controls, the
// host, the form and the window at work over them.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/vesko_window_start.h"
#include "hosts/win32/vesko_form_window.h"
#include "hosts/win32/vesko_win32_host.h"
#include "ui/vesko_form.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

class VeskoWin32Form {
 public:
  /// Creates the window, hidden, and its session; `places` and
  /// `default_folder` say where the catalogue folder is looked up
  /// (shell::vesko_ini_places()); `show_command` is how it first appears.
  VeskoWin32Form(app::VeskoWindowOptions options, std::vector<std::string> places, std::string default_folder,
                 jobs::VeskoServices services = {}, int show_command = SW_SHOWNORMAL);
  /// Stops the search first: nothing it posts runs after this. Then destroys the window.
  ~VeskoWin32Form();
  VeskoWin32Form(const VeskoWin32Form&) = delete;
  VeskoWin32Form& operator=(const VeskoWin32Form&) = delete;

  /// What the windows remember between starts: the main window's, and the view window's place.
  [[nodiscard]] VeskoWindowMemory memory() const;
  /// Puts both windows back as `memory` says, before the window is first shown.
  void restore(const VeskoWindowMemory& memory);

  VeskoFormWindow window;
  VeskoWin32Host host;
  VeskoForm form;
  /// The window at work; nullptr when the window could not be created.
  std::unique_ptr<app::VeskoWindow> vesko;
};

}  // namespace korvint::hosts::win32
