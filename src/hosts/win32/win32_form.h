#pragma once
// A complete Windows window: the main window, the control model over its
// controls, the host and the form whose handlers its events run.

#include <windows.h>

#include "ui/form1.h"
#include "hosts/win32/form_window.h"
#include "hosts/win32/win32_controls.h"
#include "hosts/win32/win32_host.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

class Win32Form {
 public:
  /// Creates the window hidden; app::Form_Load shows it. `show_command` is how it first appears.
  explicit Win32Form(FormServices services = {}, int show_command = SW_SHOWNORMAL);
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;
  /// Stops the events, then destroys the window if it is still open.
  ~Win32Form();

  FormWindow window;
  Win32TextBox Text1, Text2, Text3, Text4, Text5;
  Win32Label Label1, Label2, Caption;
  Win32ListBox List1;
  Win32DriveBox Drive1;
  Win32Button Command1, mStop;
  Win32Host host;
  Form1 form;
};

}  // namespace korvint::hosts::win32
